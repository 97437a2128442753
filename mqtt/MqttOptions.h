#pragma once

#include "BrokerAddress.h"

#include <string>

namespace mqtt {

// How a run reaches its broker and where it publishes there.
struct MqttOptions {
    BrokerAddress broker;
    // TLS: the certificate authority to check the broker against (empty:
    // the system's), and a certificate and key of the client's own (empty:
    // none).
    std::string caFile;
    std::string certFile;
    std::string keyFile;
    // Empty: no user name, no password.
    std::string user;
    std::string password;
    // Every topic of the camera lies below it: "zelnor2/door".
    std::string topicPrefix;
    // Home Assistant's discovery: its prefix, empty for none.
    std::string discoveryPrefix = "homeassistant";
};

// Whether text can stand in a topic that is published to: not empty, no
// wildcard (+ #), no control characters.
bool IsPublishableTopic(const std::string& text);

// Reads --mqtt-password-file: its first line, without the line's end. The
// error names the file and why when it cannot be read; empty on success.
std::string LoadPasswordFile(const std::string& path, std::string& password);

} // namespace mqtt
