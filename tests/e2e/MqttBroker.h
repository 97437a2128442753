#pragma once

#include "platform/NoCopy.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/TempDir.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

namespace e2e {

// A mosquitto of the test's own on a free loopback port, with a config
// file in a folder of its own; killed when the object goes. settings are
// further lines of the config (a password file, TLS, a second listener).
class MqttBroker : private platform::NoCopy {
public:
    explicit MqttBroker(std::string settings = "allow_anonymous true\n");
    // Made with its config but not started.
    struct NotStarted {};
    MqttBroker(NotStarted, std::string settings = "allow_anonymous true\n");
    ~MqttBroker();

    std::uint16_t Port() const { return port; }
    std::string Url() const { return "mqtt://127.0.0.1:" + std::to_string(port); }
    // Whether it runs and takes connections on its port.
    bool Running() const;
    // Starts it (again, on the same port); true once it takes connections.
    bool Start();
    // Ends it at once, as a crash or a pulled cable would: no goodbye to
    // its clients, nothing retained kept.
    void Kill();
    // Stops it without ending it (SIGSTOP): it reads nothing any more, as a
    // broker that hangs.
    void Freeze();
    const testsupport::TempDir& Folder() const { return folder; }

private:
    testsupport::TempDir folder;
    std::uint16_t port;
    std::unique_ptr<testsupport::ChildProcess> process;
};

// Whether something takes TCP connections on 127.0.0.1:port.
bool Accepts(std::uint16_t port);

} // namespace e2e
