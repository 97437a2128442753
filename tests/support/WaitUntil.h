#pragma once

#include <chrono>
#include <thread>

namespace testsupport {

// Waits until condition holds, looking every millisecond; false if it still
// does not after the limit. The limit only ends a test that would otherwise
// hang, so it is generous: a passing test never comes near it.
template <typename Condition>
bool WaitUntil(Condition condition, std::chrono::milliseconds limit = std::chrono::seconds(20)) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

} // namespace testsupport
