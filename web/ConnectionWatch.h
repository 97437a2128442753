#pragma once

#include "platform/NoCopy.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <thread>

namespace web {

// The limits on a connection that libmicrohttpd's own timeout cannot set,
// as it starts again with every byte and counts a write into a large kernel
// buffer as the viewer's progress:
// - a request must be whole within the deadline of the connection's opening
//   or of its previous answer's end, however slowly its bytes trickle in;
// - a viewer that has taken no byte of its answer for the idle timeout,
//   while bytes wait for it, is closed, whether its buffer is full or not.
// A thread of its own looks at every connection a few times a second and
// cuts one that broke a limit; the connection's own thread then sees it
// gone and ends it as any closed connection.
class ConnectionWatch : private platform::NoCopy {
public:
    using Clock = std::chrono::steady_clock;

    // Zero turns a limit off.
    ConnectionWatch(std::chrono::seconds requestDeadline, std::chrono::seconds idleTimeout);
    ~ConnectionWatch();

    // Each connection is known by a key of the caller's from Opened to
    // Closed; socket stays open until Closed has returned.
    void Opened(const void* key, int socket);
    void RequestWhole(const void* key);
    void AnswerEnded(const void* key);
    void Closed(const void* key);

    // The send buffer each connection gets: a viewer that takes nothing pins
    // no more than this of the kernel's memory, and a writer waits once it
    // is full.
    static constexpr int kSendBufferBytes = 256 * 1024;

private:
    struct Watched {
        int socket = -1;
        bool answering = false;
        Clock::time_point since; // of the request, or of the last byte taken
        std::uint64_t taken = 0; // bytes the viewer had taken then
        bool cut = false;
    };

    void Watch();
    bool BrokeALimit(Watched& connection, Clock::time_point now) const;

    const Clock::duration requestDeadline;
    const Clock::duration idleTimeout;
    std::mutex lock;
    std::condition_variable wake;
    bool stopping = false;
    std::map<const void*, Watched> connections;
    std::thread watcher;
};

} // namespace web
