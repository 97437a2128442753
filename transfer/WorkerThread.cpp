#include "WorkerThread.h"

#include <system_error>

WorkerThread::~WorkerThread() {
    RequestStop();
    Join();
}

bool WorkerThread::Start(Procedure procedure, const WorkerContext& settings,
                         transfer::RunListener& listener, transfer::SpaceKeeper* keeper) {
    if (thread.joinable()) {
        if (!finished->load(std::memory_order_acquire)) {
            return false;
        }
        // The procedure has returned; the thread is about to end, so the
        // join is immediate.
        Join();
    }
    // The run's stop is in place before the worker can tell anything, so
    // that a listener may stop the run from its very first event.
    std::stop_token token;
    {
        std::lock_guard lock(stopLock);
        stop = std::stop_source();
        token = stop.get_token();
    }
    auto done = std::make_shared<std::atomic<bool>>(false);
    try {
        // The worker reads its own copy of the settings: what the caller
        // changes for the next run never reaches this one.
        thread = std::thread([procedure, settings, &listener, keeper, token, done] {
            procedure(WorkerRun{settings, token, listener, keeper});
            done->store(true, std::memory_order_release);
        });
    } catch (const std::system_error&) {
        return false;
    }
    finished = std::move(done);
    return true;
}

void WorkerThread::RequestStop() {
    std::lock_guard lock(stopLock);
    stop.request_stop();
}

void WorkerThread::Join() {
    if (thread.joinable()) {
        thread.join();
        finished.reset();
    }
}
