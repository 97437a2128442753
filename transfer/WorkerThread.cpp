#include "WorkerThread.h"

#include <system_error>

WorkerThread::~WorkerThread() {
    RequestStop();
    Join();
}

bool WorkerThread::Start(Procedure procedure, const WorkerContext& context,
                         transfer::RunListener& listener, transfer::SpaceKeeper* keeper) {
    if (IsRunning()) {
        return false;
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
        thread = std::thread([procedure, &context, &listener, keeper, token, done] {
            procedure(WorkerRun{context, token, listener, keeper});
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

bool WorkerThread::IsRunning() {
    if (!thread.joinable()) {
        return false;
    }
    if (!finished->load(std::memory_order_acquire)) {
        return true;
    }
    // The procedure has returned; the thread is about to end, so the join is
    // immediate.
    thread.join();
    finished.reset();
    return false;
}

void WorkerThread::Join() {
    if (thread.joinable()) {
        thread.join();
        finished.reset();
    }
}
