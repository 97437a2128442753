#pragma once

#include "WaitUntil.h"
#include "transfer/RunListener.h"

#include <chrono>
#include <cstddef>
#include <mutex>
#include <optional>
#include <variant>
#include <vector>

namespace testsupport {

// Keeps every event of the runs it listens to, for a test that waits for an
// event and then looks at what came. Events arrive on the worker's thread;
// everything here may be called from the test's.
class RunRecorder final : public transfer::RunListener {
public:
    void OnRunEvent(const transfer::RunEvent& event) override {
        std::lock_guard guard(lock);
        events.push_back(event);
    }

    std::vector<transfer::RunEvent> Events() const {
        std::lock_guard guard(lock);
        return events;
    }
    void Clear() {
        std::lock_guard guard(lock);
        events.clear();
    }

    template <class Event> std::vector<Event> All() const {
        std::vector<Event> found;
        for (const transfer::RunEvent& event : Events()) {
            if (const auto* one = std::get_if<Event>(&event)) {
                found.push_back(*one);
            }
        }
        return found;
    }
    template <class Event> std::size_t Count() const { return All<Event>().size(); }
    template <class Event> std::optional<Event> Last() const {
        const auto found = All<Event>();
        return found.empty() ? std::nullopt : std::optional<Event>(found.back());
    }
    // Whether the newest event is one of this kind.
    template <class Event> bool LastIs() const {
        std::lock_guard guard(lock);
        return !events.empty() && std::holds_alternative<Event>(events.back());
    }

    // Until count events of this kind have come in all.
    template <class Event>
    bool WaitFor(std::size_t count = 1,
                 std::chrono::milliseconds limit = std::chrono::seconds(20)) const {
        return WaitUntil([&] { return Count<Event>() >= count; }, limit);
    }
    // Until the newest event is one of this kind, e.g. the worker waits for
    // the next picture once it has dealt with the last one.
    template <class Event>
    bool WaitUntilLastIs(std::chrono::milliseconds limit = std::chrono::seconds(20)) const {
        return WaitUntil([&] { return LastIs<Event>(); }, limit);
    }

private:
    mutable std::mutex lock;
    std::vector<transfer::RunEvent> events;
};

} // namespace testsupport
