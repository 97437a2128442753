#pragma once

#include "RunListener.h"

#include <stop_token>

class WorkerContext;

// What a worker procedure has for one run: the context with the run's
// settings (written before the start, only read by the worker), the run's own
// stop request, and the listener that every event of the run goes to.
struct WorkerRun {
    const WorkerContext& context;
    std::stop_token stop;
    transfer::RunListener& listener;

    bool StopRequested() const { return stop.stop_requested(); }
    void Tell(const transfer::RunEvent& event) const { listener.OnRunEvent(event); }
};
