#pragma once

#include "WorkerContext.h"
#include "WorkerRun.h"
#include "platform/NoCopy.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <stop_token>
#include <thread>

// The one worker thread the dialog keeps. Start runs a worker procedure on a
// new thread with a stop request of its own, so that a stop asked of an
// earlier run, or while none runs, reaches no later one. The end of a run is
// its Ended event; whoever heard it joins the thread, which returns at once.
class WorkerThread : private platform::NoCopy {
public:
    using Procedure = void (*)(const WorkerRun& run);

    WorkerThread() = default;
    // Asks a running worker to stop and waits for it.
    ~WorkerThread();

    // Starts procedure for a run with a copy of settings, its events going
    // to listener; the listener (and a keeper) must outlive the run. False
    // when the procedure of the last run has not returned yet or no thread
    // could be created.
    bool Start(Procedure procedure, const WorkerContext& settings, transfer::RunListener& listener,
               transfer::SpaceKeeper* keeper = nullptr);
    // Asks the running worker to end; safe from any thread, the worker's own
    // and its listeners' included. Nothing happens when none runs.
    void RequestStop();
    // Waits for the worker to end (the caller asks it to stop first, or has
    // heard its Ended).
    void Join();

private:
    std::thread thread;
    // Set once the procedure has returned; Start refuses a second worker
    // until then.
    std::shared_ptr<std::atomic<bool>> finished;
    std::mutex stopLock;
    std::stop_source stop{std::nostopstate};
};
