#pragma once

#include <condition_variable>
#include <mutex>
#include <thread>

namespace platform {

// Ends a thread that sleeps on wake until stopping is set: sets the flag
// under lock, wakes every waiter and waits for the thread to end (nothing to
// wait for when it never started).
inline void StopThread(std::mutex& lock, bool& stopping, std::condition_variable& wake,
                       std::thread& thread) {
    {
        std::lock_guard guard(lock);
        stopping = true;
    }
    wake.notify_all();
    if (thread.joinable()) {
        thread.join();
    }
}

} // namespace platform
