#pragma once

#include "RunEvents.h"

#include <initializer_list>
#include <vector>

namespace transfer {

// Receives the events of a run. They come on the worker's thread, one at a
// time and in order; the camera waits while a listener works, so a listener
// hands anything slow (the network, a window) to a thread of its own.
class RunListener {
public:
    virtual ~RunListener() = default;
    virtual void OnRunEvent(const RunEvent& event) = 0;
};

// Hands each event to several listeners, in the order they were given. The
// listeners must outlive it.
class RunListeners final : public RunListener {
public:
    RunListeners(std::initializer_list<RunListener*> listeners) : listeners(listeners) {}
    void Add(RunListener& listener) { listeners.push_back(&listener); }
    void OnRunEvent(const RunEvent& event) override {
        for (RunListener* listener : listeners) {
            listener->OnRunEvent(event);
        }
    }

private:
    std::vector<RunListener*> listeners;
};

} // namespace transfer
