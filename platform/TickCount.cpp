#include "TickCount.h"

#include <atomic>
#include <chrono>

namespace platform {

namespace {
std::atomic<std::uint32_t> tickOffset{0};
}

std::uint32_t TickCount() {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now).count();
    return static_cast<std::uint32_t>(ms) + tickOffset.load(std::memory_order_relaxed);
}

void SetTickOffsetForTesting(std::uint32_t offset) {
    tickOffset.store(offset, std::memory_order_relaxed);
}

} // namespace platform
