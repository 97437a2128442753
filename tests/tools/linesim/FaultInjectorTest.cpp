#include "tools/linesim/FaultInjector.h"

#include <gtest/gtest.h>

#include <bit>
#include <vector>

namespace {

using linesim::Fate;
using linesim::FaultInjector;
using linesim::FaultOptions;

std::vector<linesim::ByteFate> Fates(const FaultOptions& options, std::uint64_t stream,
                                     std::size_t count, bool enabled = true) {
    FaultInjector injector(options, enabled, stream);
    std::vector<linesim::ByteFate> fates(count);
    for (auto& fate : fates) {
        fate = injector.Next();
    }
    return fates;
}

std::vector<std::size_t> Positions(const std::vector<linesim::ByteFate>& fates, Fate which) {
    std::vector<std::size_t> positions;
    for (std::size_t i = 0; i < fates.size(); ++i) {
        if (fates[i].fate == which) {
            positions.push_back(i);
        }
    }
    return positions;
}

FaultOptions Faulty(std::uint64_t seed) {
    FaultOptions options;
    options.errorRate = 0.01;
    options.dropRate = 0.02;
    options.seed = seed;
    return options;
}

TEST(FaultInjector, WithoutFaultsEveryBytePasses) {
    for (const auto& fate : Fates(FaultOptions{}, 1, 10000)) {
        ASSERT_EQ(fate.fate, Fate::Passed);
        ASSERT_EQ(fate.flip, 0);
    }
    // A direction the faults are not meant for stays clean as well.
    for (const auto& fate : Fates(Faulty(5), 1, 10000, false)) {
        ASSERT_EQ(fate.fate, Fate::Passed);
    }
}

TEST(FaultInjector, TheSameSeedHitsTheSamePositions) {
    const auto first = Fates(Faulty(42), 1, 20000);
    const auto second = Fates(Faulty(42), 1, 20000);
    ASSERT_FALSE(Positions(first, Fate::Corrupted).empty());
    ASSERT_FALSE(Positions(first, Fate::Dropped).empty());
    EXPECT_EQ(Positions(first, Fate::Corrupted), Positions(second, Fate::Corrupted));
    EXPECT_EQ(Positions(first, Fate::Dropped), Positions(second, Fate::Dropped));
    for (std::size_t i = 0; i < first.size(); ++i) {
        ASSERT_EQ(first[i].flip, second[i].flip) << "byte " << i;
    }
    // Another seed, or the other direction of the line, hits elsewhere.
    EXPECT_NE(Positions(first, Fate::Corrupted),
              Positions(Fates(Faulty(43), 1, 20000), Fate::Corrupted));
    EXPECT_NE(Positions(first, Fate::Corrupted),
              Positions(Fates(Faulty(42), 2, 20000), Fate::Corrupted));
}

TEST(FaultInjector, RatesAreKeptAndAnErrorFlipsOneBit) {
    const std::size_t count = 200000;
    const auto fates = Fates(Faulty(7), 1, count);
    const auto corrupted = Positions(fates, Fate::Corrupted);
    const auto dropped = Positions(fates, Fate::Dropped);
    // Expected 2000 and 4000; the bounds are over six standard deviations wide.
    EXPECT_GT(corrupted.size(), 1700u);
    EXPECT_LT(corrupted.size(), 2300u);
    EXPECT_GT(dropped.size(), 3600u);
    EXPECT_LT(dropped.size(), 4400u);
    int bitsSeen = 0;
    for (std::size_t position : corrupted) {
        ASSERT_EQ(std::popcount(fates[position].flip), 1) << "byte " << position;
        bitsSeen |= fates[position].flip;
    }
    EXPECT_EQ(bitsSeen, 0xFF) << "every bit of a byte can be hit";
}

TEST(FaultInjector, RateOneHitsEveryByte) {
    FaultOptions options;
    options.dropRate = 1;
    EXPECT_EQ(Positions(Fates(options, 1, 1000), Fate::Dropped).size(), 1000u);
    options.dropRate = 0;
    options.errorRate = 1;
    EXPECT_EQ(Positions(Fates(options, 1, 1000), Fate::Corrupted).size(), 1000u);
}

} // namespace
