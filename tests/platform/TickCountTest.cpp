#include "platform/TickCount.h"

#include <chrono>
#include <cstdint>
#include <gtest/gtest.h>
#include <thread>

TEST(TickCount, AdvancesInMilliseconds) {
    const std::uint32_t start = platform::TickCount();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const std::uint32_t elapsed = platform::TickCount() - start;
    EXPECT_GE(elapsed, 19u);
}

TEST(TickCount, OffsetHookMovesTheCounterAcrossTheWrap) {
    const std::uint32_t now = platform::TickCount();
    // Put the counter 5 ms before it wraps around.
    platform::SetTickOffsetForTesting(0xFFFFFFFBu - now);
    const std::uint32_t before = platform::TickCount();
    EXPECT_GE(before, 0xFFFFFF00u);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const std::uint32_t after = platform::TickCount();
    platform::SetTickOffsetForTesting(0);
    EXPECT_LT(after, 1000u) << "the counter wrapped";
    EXPECT_GE(static_cast<std::uint32_t>(after - before), 19u);
}
