#pragma once

#include "platform/NoCopy.h"

#include <chrono>
#include <poll.h>
#include <string>
#include <sys/inotify.h>
#include <unistd.h>

namespace e2e {

// Counts the opens and closes of a device node, as the kernel reports them.
class OpenWatch : private platform::NoCopy {
public:
    explicit OpenWatch(const std::string& path)
        : descriptor(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
        watch = ::inotify_add_watch(descriptor, path.c_str(), IN_OPEN | IN_CLOSE);
    }
    ~OpenWatch() { ::close(descriptor); }

    bool Watching() const { return watch >= 0; }
    int Opens() const { return opens; }
    int Closes() const { return closes; }

    // Takes the events that came; waits up to limit for the first of them.
    void Take(std::chrono::milliseconds limit) {
        pollfd ready{descriptor, POLLIN, 0};
        if (::poll(&ready, 1, static_cast<int>(limit.count())) <= 0) {
            return;
        }
        alignas(inotify_event) char buffer[4096];
        ssize_t got = 0;
        while ((got = ::read(descriptor, buffer, sizeof buffer)) > 0) {
            for (ssize_t at = 0; at < got;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                opens += (event->mask & IN_OPEN) != 0;
                closes += (event->mask & IN_CLOSE) != 0;
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            }
        }
    }

private:
    int descriptor;
    int watch = -1;
    int opens = 0;
    int closes = 0;
};

} // namespace e2e
