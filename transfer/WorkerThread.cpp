#include "WorkerThread.h"

#include <system_error>

WorkerThread::~WorkerThread() {
    Join();
}

bool WorkerThread::Start(Procedure procedure, WorkerContext* context) {
    if (IsRunning()) {
        return false;
    }
    auto done = std::make_shared<std::atomic<bool>>(false);
    try {
        thread = std::thread([procedure, context, done] {
            procedure(context);
            done->store(true, std::memory_order_release);
        });
    } catch (const std::system_error&) {
        return false;
    }
    finished = std::move(done);
    return true;
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
