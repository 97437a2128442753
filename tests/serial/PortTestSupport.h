#pragma once

#include <chrono>
#include <cstdint>
#include <dirent.h>
#include <string>
#include <sys/ioctl.h>
#include <thread>

#include "serial/SerialPort.h"
#include "tests/support/WaitUntil.h"

namespace porttest {

inline bool WaitForCount(SerialPort& port, std::uint32_t count) {
    return testsupport::WaitUntil([&] { return port.BufferCount() == count; });
}

// Waits until the device has nothing left that the reader could still take:
// its input queue stays empty over several looks.
inline bool WaitUntilDrained(SerialPort& port) {
    int emptyLooks = 0;
    return testsupport::WaitUntil([&] {
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
