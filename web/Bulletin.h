#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <utility>

namespace web {

// The newest of something, for any number of readers that each wait for a
// newer one: a value replaced in place, never queued, so a reader that falls
// behind skips to the newest instead of holding on to the ones it missed, and
// the writer never waits for a reader. Each value gets the next serial
// number; a reader remembers the serial it has and asks for a higher one.
// Close wakes every reader for good, so that connections end at once.
template <typename Value> class Bulletin {
public:
    struct Taken {
        Value value{};
        std::uint64_t serial = 0; // 0: nothing posted yet
    };

    void Post(Value value) {
        {
            std::lock_guard guard(lock);
            newest = std::move(value);
            ++serial;
        }
        changed.notify_all();
    }

    Taken Newest() const {
        std::lock_guard guard(lock);
        return {newest, serial};
    }

    // The newest value once its serial is above seen; empty (serial 0) when
    // the limit passed first or the bulletin was closed.
    Taken WaitNewer(std::uint64_t seen, std::chrono::steady_clock::duration limit) const {
        std::unique_lock guard(lock);
        changed.wait_for(guard, limit, [&] { return closed || serial > seen; });
        if (closed || serial <= seen) {
            return {};
        }
        return {newest, serial};
    }

    // Waits for the limit to pass; false when the bulletin closed meanwhile.
    // A post does not end the pause (nor wake the paused reader at all).
    bool PauseUnlessClosed(std::chrono::steady_clock::duration limit) const {
        std::unique_lock guard(lock);
        return !closing.wait_for(guard, limit, [&] { return closed; });
    }

    void Close() {
        {
            std::lock_guard guard(lock);
            closed = true;
        }
        changed.notify_all();
        closing.notify_all();
    }

    bool Closed() const {
        std::lock_guard guard(lock);
        return closed;
    }

private:
    mutable std::mutex lock;
    mutable std::condition_variable changed;
    mutable std::condition_variable closing;
    Value newest{};
    std::uint64_t serial = 0;
    bool closed = false;
};

} // namespace web
