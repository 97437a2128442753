#pragma once

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <utility>

namespace web {

// The newest of something, for any number of readers that each wait for a
// newer one: a value replaced in place, never queued, so a reader that falls
// behind skips to the newest instead of holding on to the ones it missed, and
// the writer never waits for a reader. Each value gets the next serial
// number; a reader remembers the serial it has and asks for a higher one.
// The last few values can stay held as well, for readers that take every
// value in turn as long as they keep up. Close wakes every reader for good,
// so that connections end at once.
template <typename Value> class Bulletin {
public:
    struct Taken {
        Value value{};
        std::uint64_t serial = 0; // 0: nothing posted yet
    };

    // held: how many of the newest values stay for WaitNext (1: the newest).
    explicit Bulletin(std::size_t held = 1) : held(std::max<std::size_t>(held, 1)) {}

    void Post(Value value) {
        {
            std::lock_guard guard(lock);
            recent.push_back(std::move(value));
            if (recent.size() > held) {
                recent.pop_front();
            }
            ++serial;
        }
        changed.notify_all();
    }

    Taken Newest() const {
        std::lock_guard guard(lock);
        return {NewestValue(), serial};
    }

    // The newest value once its serial is above seen; empty (serial 0) when
    // the limit passed first or the bulletin was closed.
    Taken WaitNewer(std::uint64_t seen, std::chrono::steady_clock::duration limit) const {
        return WaitBeyond(seen, limit, false);
    }

    // The value right after seen while it is still held, else the newest;
    // like WaitNewer otherwise.
    Taken WaitNext(std::uint64_t seen, std::chrono::steady_clock::duration limit) const {
        return WaitBeyond(seen, limit, true);
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
    Value NewestValue() const { return recent.empty() ? Value{} : recent.back(); }

    Taken WaitBeyond(std::uint64_t seen, std::chrono::steady_clock::duration limit,
                     bool next) const {
        std::unique_lock guard(lock);
        changed.wait_for(guard, limit, [&] { return closed || serial > seen; });
        if (closed || serial <= seen) {
            return {};
        }
        const std::uint64_t oldestHeld = serial - recent.size() + 1;
        if (!next || seen + 1 < oldestHeld) {
            return {NewestValue(), serial};
        }
        return {recent[static_cast<std::size_t>(seen + 1 - oldestHeld)], seen + 1};
    }

    const std::size_t held;
    mutable std::mutex lock;
    mutable std::condition_variable changed;
    mutable std::condition_variable closing;
    std::deque<Value> recent; // the newest last
    std::uint64_t serial = 0;
    bool closed = false;
};

} // namespace web
