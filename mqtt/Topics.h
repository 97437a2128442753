#pragma once

#include <string>

namespace mqtt {

// The camera's topics below its prefix.
struct Topics {
    explicit Topics(const std::string& prefix)
        : availability(prefix + "/availability"), state(prefix + "/state"),
          picture(prefix + "/picture"), event(prefix + "/event") {}

    // "online" while connected, "offline" after a clean stop and as the
    // broker's last will; retained.
    std::string availability;
    // The run's state as JSON; retained.
    std::string state;
    // The newest good picture as JPEG bytes; retained.
    std::string picture;
    // One JSON message per picture stored or failed and per line lost or
    // back; not retained.
    std::string event;
};

inline constexpr const char* kOnlinePayload = "online";
inline constexpr const char* kOfflinePayload = "offline";

} // namespace mqtt
