#pragma once

#include "RunEvents.h"

#include <mutex>
#include <vector>

namespace transfer {

// The events of a run on their way from the worker's thread to a thread that
// takes them in batches (the dialog's). A progress that finds the one before
// it still waiting takes its place: a reader slower than the blocks sees the
// newest progress, and every other event in order.
class RunEventQueue {
public:
    // Adds event; true when the queue was empty, so that the caller arranges
    // one TakeAll for what is waiting now and until then.
    bool Push(const RunEvent& event);
    // Everything waiting, oldest first; the queue is empty afterwards.
    std::vector<RunEvent> TakeAll();

private:
    std::mutex lock;
    std::vector<RunEvent> waiting;
};

} // namespace transfer
