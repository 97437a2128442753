#pragma once

#include "WorkerRun.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <stop_token>
#include <thread>

// The one worker thread the dialog keeps. Start runs a worker procedure on a
// new thread with a stop request of its own, so that a stop asked of an
// earlier run, or while none runs, reaches no later one. IsRunning is the
// running test: false once the procedure has returned (the finished thread
// is then joined and forgotten).
class WorkerThread {
public:
    using Procedure = void (*)(const WorkerRun& run);

    WorkerThread() = default;
    // Asks a running worker to stop and waits for it.
    ~WorkerThread();
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;

    // Starts procedure for a run with context's settings, its events going to
    // listener; both (and a keeper) must outlive the run. False when a worker
    // runs still or no thread could be created.
    bool Start(Procedure procedure, const WorkerContext& context, transfer::RunListener& listener,
               transfer::SpaceKeeper* keeper = nullptr);
    // Asks the running worker to end; safe from any thread, the worker's own
    // and its listeners' included. Nothing happens when none runs.
    void RequestStop();
    bool IsRunning();
    // Waits for the worker to end (the caller asks it to stop first).
    void Join();

private:
    std::thread thread;
    std::shared_ptr<std::atomic<bool>> finished;
    std::mutex stopLock;
    std::stop_source stop{std::nostopstate};
};
