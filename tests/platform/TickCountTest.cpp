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

TEST(TickCount, AClockWithAnOffsetWrapsAroundWhereItSays) {
    // A clock 5 ms before the counter wraps around.
    const platform::TickClock clock{0xFFFFFFFBu - platform::TickCount()};
    const std::uint32_t before = clock.Now();
    EXPECT_GE(before, 0xFFFFFF00u);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const std::uint32_t after = clock.Now();
    EXPECT_LT(after, 1000u) << "the counter wrapped";
    EXPECT_GE(static_cast<std::uint32_t>(after - before), 19u);
}
