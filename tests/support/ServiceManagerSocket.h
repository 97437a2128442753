#pragma once

#include "ScopedEnvironment.h"
#include "TempDir.h"
#include "platform/NoCopy.h"

#include <chrono>
#include <mutex>
#include <string>
#include <sys/types.h>
#include <vector>

namespace testsupport {

// Plays the service manager for programs that a test starts: the socket that
// NOTIFY_SOCKET names while the object lives, where a program says that it
// is ready ("READY=1", once its worker has the camera's line open), its state
// ("STATUS=...") and that it stops. Each message is kept with the process
// that sent it, as the kernel names it.
class ServiceManagerSocket : private platform::NoCopy {
public:
    ServiceManagerSocket();
    ~ServiceManagerSocket();

    // Waits until process pid has sent a message with this line in it
    // ("READY=1"); false when the limit passes first.
    bool WaitFor(pid_t pid, const std::string& line,
                 std::chrono::milliseconds limit = std::chrono::seconds(20));
    // The lines process pid has sent so far, in order.
    std::vector<std::string> Lines(pid_t pid);

private:
    struct Message {
        pid_t sender;
        std::string text;
    };
    // Takes what has arrived, waiting at most limit for the first of it.
    void Take(std::chrono::milliseconds limit);

    TempDir folder;
    int descriptor = -1;
    std::vector<Message> messages;
    ScopedEnvironment variable;
};

} // namespace testsupport
