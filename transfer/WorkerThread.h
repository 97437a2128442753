#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <thread>

class WorkerContext;

// The one worker thread the dialog keeps. Start runs a worker procedure on a
// new thread; IsRunning is the running test: false once the procedure has
// returned (the finished thread is then joined and forgotten).
class WorkerThread {
public:
    using Procedure = std::uint32_t (*)(WorkerContext*);

    WorkerThread() = default;
    ~WorkerThread();
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;

    // Starts procedure(context) unless a worker still runs; false when one
    // runs or no thread could be created.
    bool Start(Procedure procedure, WorkerContext* context);
    bool IsRunning();
    // Waits for the worker to end (the caller raises the stop request first).
    void Join();

private:
    std::thread thread;
    std::shared_ptr<std::atomic<bool>> finished;
};
