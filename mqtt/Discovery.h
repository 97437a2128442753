#pragma once

#include "Topics.h"

#include <string>
#include <vector>

namespace mqtt {

struct Message {
    std::string topic;
    std::string payload;
};

// Home Assistant's MQTT discovery for one camera: a camera entity on the
// picture topic and sensors for the run's state, its good and failed
// pictures and the line's efficiency, all of one device (the program's
// version on it) and all available while the availability topic says so.
// Published retained under prefix, they make the camera appear in Home
// Assistant without any configuration there.
std::vector<Message> DiscoveryMessages(const std::string& prefix, const Topics& topics,
                                       const std::string& name, const std::string& version);

// The camera's name as Home Assistant's identifiers take it: letters,
// digits, '_' and '-' only ("door cam" -> "door_cam").
std::string DiscoveryId(const std::string& name);

} // namespace mqtt
