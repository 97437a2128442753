#include "LineOnThread.h"

#include "tests/tools/LineEnd.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>

namespace {

using linesim::Clock;
using linesimtest::Bytes;
using linesimtest::ExchangeBytes;
using linesimtest::LineOnThread;
using namespace std::chrono_literals;

linesim::LineOptions AtSpeed(long bitsPerSecond) {
    linesim::LineOptions options;
    options.bitsPerSecond = bitsPerSecond;
    return options;
}

// Positions where received differs from sent (of equal length).
std::vector<std::size_t> Differences(const Bytes& sent, const Bytes& received) {
    std::vector<std::size_t> positions;
    for (std::size_t i = 0; i < std::min(sent.size(), received.size()); ++i) {
        if (sent[i] != received[i]) {
            positions.push_back(i);
        }
    }
    return positions;
}

// Whether received is sent with some bytes left out, the rest in order.
bool IsSentWithGaps(const Bytes& sent, const Bytes& received) {
    std::size_t next = 0;
    for (std::uint8_t byte : sent) {
        if (next < received.size() && received[next] == byte) {
            ++next;
        }
    }
    return next == received.size();
}

TEST(Relay, CarriesEveryByteUnchangedBothWaysAtOnce) {
    // 1 Mbit/s: 10 us a byte, so the busy time is exact in nanoseconds, and
    // spells long enough for the two writers to overlap on a busy machine.
    LineOnThread line(AtSpeed(1'000'000));
    // Every byte value, the terminal's special characters among them.
    const Bytes fromA = camsimtest::Pattern(40000, 3);
    const Bytes fromB = camsimtest::Pattern(30000, 200);
    const auto exchange = ExchangeBytes(line, fromA, fromB);
    EXPECT_TRUE(exchange.atB == fromA) << "B received " << exchange.atB.size() << " bytes";
    EXPECT_TRUE(exchange.atA == fromB) << "A received " << exchange.atA.size() << " bytes";

    const linesim::LineCounts counts = line.Stop();
    EXPECT_EQ(counts.fromA.carried, 40000u);
    EXPECT_EQ(counts.fromB.carried, 30000u);
    for (const auto* direction : {&counts.fromA, &counts.fromB}) {
        SCOPED_TRACE(direction == &counts.fromA ? "from A" : "from B");
        EXPECT_EQ(direction->corrupted, 0u);
        EXPECT_EQ(direction->dropped, 0u);
        EXPECT_EQ(direction->refused, 0u);
        ASSERT_TRUE(direction->first && direction->last);
        EXPECT_LT(*direction->first, *direction->last);
    }
    EXPECT_EQ(counts.fromA.busy, 400ms);
    EXPECT_EQ(counts.fromB.busy, 300ms);
    // Full duplex: the two directions were busy at the same time.
    EXPECT_LT(*counts.fromA.first, *counts.fromB.last);
    EXPECT_LT(*counts.fromB.first, *counts.fromA.last);
}

TEST(Relay, PacesBytesAtTenBitTimesEach) {
    const long speed = 9600;
    const auto character = linesim::CharacterTime(speed);
    LineOnThread line(AtSpeed(speed));
    camsimtest::LineEnd a(line.PathA());
    camsimtest::LineEnd b(line.PathB());
    const Bytes sent = camsimtest::Pattern(480);

    const Clock::time_point start = Clock::now();
    a.Write(sent);
    Bytes received;
    while (received.size() < sent.size()) {
        const Bytes more = b.Read(std::min<std::size_t>(8, sent.size() - received.size()), 5s);
        ASSERT_FALSE(more.empty()) << "the line went quiet after " << received.size();
        received.insert(received.end(), more.begin(), more.end());
        // No byte may arrive before the line could have carried it: the
        // first needs one character time and the latency (one character
        // time too), each next one character time more.
        const auto elapsed = Clock::now() - start;
        EXPECT_LE(received.size(), static_cast<std::size_t>((elapsed - character) / character))
            << "bytes arrived ahead of the line";
    }
    const auto elapsed = Clock::now() - start;
    EXPECT_EQ(received, sent);
    // 480 bytes at 960 a second: 0.5 s and one character of latency at least;
    // the upper bound only says that the line did not stall.
    EXPECT_GE(elapsed, 500ms + character);
    EXPECT_LT(elapsed, 5s);
    EXPECT_EQ(line.Stop().fromA.busy, 500ms);
}

TEST(Relay, DelaysEveryByteByTheLatency) {
    linesim::LineOptions options = AtSpeed(9600);
    options.latency = 150ms;
    LineOnThread line(options);
    camsimtest::LineEnd a(line.PathA());
    camsimtest::LineEnd b(line.PathB());
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE("round " + std::to_string(round + 1));
        const Clock::time_point start = Clock::now();
        b.Write("?");
        const Bytes answer = a.Read(1, 5s);
        const auto elapsed = Clock::now() - start;
        ASSERT_EQ(camsimtest::ToText(answer), "?");
        EXPECT_GE(elapsed, 150ms + linesim::CharacterTime(9600));
        EXPECT_LT(elapsed, 5s);
    }
}

TEST(Relay, AFarEndThatReadsLateStillGetsEveryByte) {
    // More than the pseudo-terminals and the line can hold between them, so
    // the writer has to wait for the reader.
    LineOnThread line(AtSpeed(4'000'000));
    camsimtest::LineEnd a(line.PathA());
    camsimtest::LineEnd b(line.PathB());
    const Bytes sent = camsimtest::Pattern(300000, 9);
    std::thread writer([&] { a.Write(sent); });
    std::this_thread::sleep_for(300ms);
    const Bytes received = b.Read(sent.size(), 20s);
    writer.join();
    EXPECT_TRUE(received == sent) << "received " << received.size() << " of " << sent.size();
    const linesim::LineCounts counts = line.Stop();
    EXPECT_EQ(counts.fromA.carried, sent.size());
    EXPECT_EQ(counts.fromA.refused, 0u);
}

TEST(Relay, TellsHowLongAnEndTookToAnswer) {
    LineOnThread line(AtSpeed(1'000'000));
    {
        camsimtest::LineEnd a(line.PathA());
        camsimtest::LineEnd b(line.PathB());
        b.Write("ping");
        ASSERT_EQ(camsimtest::ToText(a.Read(4, 5s)), "ping");
        std::this_thread::sleep_for(50ms);
        a.Write("pong");
        ASSERT_EQ(camsimtest::ToText(b.Read(4, 5s)), "pong");
    }
    const linesim::LineCounts counts = line.Stop();
    // A answered once, after the 50 ms it slept; B spoke first, unasked.
    EXPECT_EQ(counts.fromA.replies.count, 1u);
    EXPECT_GE(counts.fromA.replies.longest, 50ms);
    EXPECT_LT(counts.fromA.replies.longest, 5s);
    EXPECT_EQ(counts.fromA.replies.Mean(), counts.fromA.replies.longest);
    EXPECT_EQ(counts.fromB.replies.count, 0u);
    // Each burst ended once, never ahead of the line's schedule.
    for (const auto* direction : {&counts.fromA, &counts.fromB}) {
        SCOPED_TRACE(direction == &counts.fromA ? "from A" : "from B");
        EXPECT_GE(direction->lateness.count, 1u);
        EXPECT_GE(direction->lateness.Mean(), 0ns);
    }
}

struct FaultyRun {
    linesimtest::Exchange exchange;
    linesim::LineCounts counts;
};

FaultyRun RunFaulty(double errorRate, double dropRate, std::uint64_t seed, const Bytes& fromA,
                    const Bytes& fromB) {
    linesim::LineOptions options = AtSpeed(2'000'000);
    options.faults.errorRate = errorRate;
    options.faults.dropRate = dropRate;
    options.faults.seed = seed;
    options.faults.fromB = false;
    LineOnThread line(options);
    FaultyRun run;
    run.exchange = ExchangeBytes(line, fromA, fromB, 300ms);
    run.counts = line.Stop();
    return run;
}

TEST(Relay, ErrorsFromAFixedSeedHitTheSamePositions) {
    const Bytes fromA = camsimtest::Pattern(20000, 1);
    const Bytes fromB = camsimtest::Pattern(5000, 2);
    const FaultyRun first = RunFaulty(0.01, 0, 42, fromA, fromB);
    const FaultyRun again = RunFaulty(0.01, 0, 42, fromA, fromB);
    const FaultyRun other = RunFaulty(0.01, 0, 43, fromA, fromB);

    ASSERT_EQ(first.exchange.atB.size(), fromA.size());
    const auto positions = Differences(fromA, first.exchange.atB);
    EXPECT_EQ(positions.size(), first.counts.fromA.corrupted);
    EXPECT_GT(positions.size(), 100u);
    EXPECT_LT(positions.size(), 300u);
    for (std::size_t position : positions) {
        ASSERT_EQ(
            std::popcount(static_cast<unsigned>(fromA[position] ^ first.exchange.atB[position])), 1)
            << "byte " << position;
    }
    EXPECT_TRUE(again.exchange.atB == first.exchange.atB) << "the same seed, other bytes";
    EXPECT_NE(Differences(fromA, other.exchange.atB), positions);
    // The faults were asked for in one direction only.
    EXPECT_TRUE(first.exchange.atA == fromB);
    EXPECT_EQ(first.counts.fromB.corrupted, 0u);
}

TEST(Relay, DropsFromAFixedSeedLoseTheSameBytes) {
    const Bytes fromA = camsimtest::Pattern(20000, 4);
    const FaultyRun first = RunFaulty(0, 0.01, 9, fromA, {});
    const FaultyRun again = RunFaulty(0, 0.01, 9, fromA, {});

    const Bytes& received = first.exchange.atB;
    EXPECT_GT(first.counts.fromA.dropped, 100u);
    EXPECT_EQ(received.size() + first.counts.fromA.dropped, fromA.size());
    EXPECT_EQ(first.counts.fromA.carried, received.size());
    EXPECT_TRUE(IsSentWithGaps(fromA, received));
    EXPECT_TRUE(again.exchange.atB == received);
    // A lost byte still took its time on the line.
    EXPECT_EQ(first.counts.fromA.busy, 100ms);
}

} // namespace
