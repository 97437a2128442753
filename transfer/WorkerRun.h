#pragma once

#include "RunListener.h"
#include "SpaceKeeper.h"

#include <stop_token>

class WorkerContext;

// What a worker procedure has for one run: the run's settings (the worker's
// own copy, only read), the run's own
// stop request, the listener that every event of the run goes to, and for a
// capture that deletes its oldest pictures, what makes room at the free-space
// limit.
struct WorkerRun {
    const WorkerContext& context;
    std::stop_token stop;
    transfer::RunListener& listener;
    transfer::SpaceKeeper* keeper = nullptr;

    bool StopRequested() const { return stop.stop_requested(); }
    void Tell(const transfer::RunEvent& event) const { listener.OnRunEvent(event); }
};
