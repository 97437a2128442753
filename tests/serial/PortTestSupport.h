#pragma once

#include <chrono>
#include <cstdint>
#include <dirent.h>
#include <functional>
#include <string>
#include <sys/ioctl.h>
#include <thread>

#include "serial/SerialPort.h"

namespace porttest {

// Waits until condition holds; false if it still does not after the limit,
// which is only there to end a test that would otherwise hang.
inline bool WaitUntil(const std::function<bool()>& condition,
                      std::chrono::milliseconds limit = std::chrono::seconds(10)) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

inline bool WaitForCount(SerialPort& port, std::uint32_t count) {
    return WaitUntil([&] { return port.BufferCount() == count; });
}

// Waits until the device has nothing left that the reader could still take:
// its input queue stays empty over several looks.
inline bool WaitUntilDrained(SerialPort& port) {
    int emptyLooks = 0;
    return WaitUntil([&] {
        int queued = 0;
        if (::ioctl(port.Handle(), FIONREAD, &queued) != 0 || queued != 0) {
            emptyLooks = 0;
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return ++emptyLooks >= 5;
    });
}

// The number of threads of this process.
inline int ThreadCount() {
    int threads = 0;
    if (DIR* tasks = ::opendir("/proc/self/task")) {
        while (const dirent* entry = ::readdir(tasks)) {
            threads += entry->d_name[0] != '.';
        }
        ::closedir(tasks);
    }
    return threads;
}

inline std::string Text(const std::uint8_t* bytes, std::uint32_t length) {
    return std::string(reinterpret_cast<const char*>(bytes), length);
}

// The thread count once the process's own helpers are there: some runtimes
// (ThreadSanitizer's among them) add a thread of their own the first time
// the program starts one.
inline int SettledThreadCount() {
    std::thread([] {}).join();
    return ThreadCount();
}

} // namespace porttest
