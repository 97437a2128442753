#include "tools/linesim/Transmitter.h"

#include <gtest/gtest.h>

namespace {

using linesim::Clock;
using linesim::Transmitter;
using namespace std::chrono_literals;

const Clock::time_point kStart = Clock::time_point(1000s);

TEST(Transmitter, CharacterTimeIsTenBitTimes) {
    EXPECT_EQ(linesim::CharacterTime(9600), 1041667ns);
    EXPECT_EQ(linesim::CharacterTime(115200), 86806ns);
    EXPECT_EQ(linesim::CharacterTime(921600), 10851ns);
    linesim::LineOptions options;
    options.bitsPerSecond = 9600;
    EXPECT_EQ(linesim::EffectiveLatency(options), 1041667ns);
    options.latency = 0ns;
    EXPECT_EQ(linesim::EffectiveLatency(options), 0ns);
}

TEST(Transmitter, BytesHandedOverTogetherLeaveBackToBack) {
    Transmitter line(10000, 250us); // one byte a millisecond
    for (int i = 1; i <= 5; ++i) {
        EXPECT_EQ(line.Send(kStart), kStart + i * 1ms + 250us) << "byte " << i;
    }
    EXPECT_EQ(line.FreeAt(), kStart + 5ms);
    // A byte handed over while the line is still sending waits its turn.
    EXPECT_EQ(line.Send(kStart + 2ms), kStart + 6ms + 250us);
    EXPECT_EQ(line.Busy(), 6ms);
    EXPECT_EQ(line.BytesSent(), 6u);
}

TEST(Transmitter, AnIdleLineStartsAfreshAtTheNextByte) {
    Transmitter line(10000, 0ns);
    EXPECT_EQ(line.Send(kStart), kStart + 1ms);
    // Handed over exactly when the line falls free: still the same spell.
    EXPECT_EQ(line.Send(kStart + 1ms), kStart + 2ms);
    // After a pause the byte leaves when it is handed over, not earlier.
    EXPECT_EQ(line.Send(kStart + 50ms), kStart + 51ms);
    EXPECT_EQ(line.Send(kStart + 50ms), kStart + 52ms);
    // The pause is not busy time.
    EXPECT_EQ(line.Busy(), 4ms);
}

TEST(Transmitter, LongSpellsDoNotDrift) {
    // 86.8055... us a byte at 115200 bit/s: rounding each byte to whole
    // nanoseconds would be 0.44 ns off per byte, 0.44 ms over a million.
    Transmitter line(115200, 0ns);
    Clock::time_point last;
    for (int i = 0; i < 1'000'000; ++i) {
        last = line.Send(kStart);
    }
    EXPECT_EQ(last, kStart + 86'805'555'555ns);
    EXPECT_EQ(line.Busy(), 86'805'555'555ns);
}

} // namespace
