#include "DeletionWatch.h"

#include <array>
#include <cstring>
#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

namespace faultmatrix {

DeletionWatch::DeletionWatch(const std::string& folder) {
    queue = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (queue >= 0) {
        watch = ::inotify_add_watch(queue, folder.c_str(), IN_DELETE);
    }
}

DeletionWatch::~DeletionWatch() {
    if (queue >= 0) {
        ::close(queue);
    }
}

void DeletionWatch::Collect() {
    alignas(inotify_event) std::array<char, 4096> buffer;
    for (;;) {
        const ssize_t got = ::read(queue, buffer.data(), buffer.size());
        if (got <= 0) {
            return;
        }
        for (ssize_t at = 0; at < got;) {
            inotify_event event;
            std::memcpy(&event, buffer.data() + at, sizeof event);
            if (event.len > 0) {
                deleted.insert(buffer.data() + at + sizeof event);
            }
            at += static_cast<ssize_t>(sizeof event + event.len);
        }
    }
}

bool DeletionWatch::WaitFor(const std::string& name, std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    for (;;) {
        Collect();
        if (deleted.count(name) != 0) {
            return true;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            end - std::chrono::steady_clock::now());
        if (left.count() <= 0 || queue < 0) {
            return false;
        }
        pollfd ready{queue, POLLIN, 0};
        ::poll(&ready, 1, static_cast<int>(std::min<long long>(left.count(), 100)));
    }
}

} // namespace faultmatrix
