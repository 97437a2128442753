#include "tests/support/TempDir.h"
#include "transfer/CaptureNaming.h"
#include "transfer/FreeSpaceRule.h"

#include <gtest/gtest.h>

using transfer::FreeSpaceBelowLimit;
using transfer::NumberedPath;

TEST(CaptureNaming, NumberGoesBetweenNameAndExtension) {
    EXPECT_EQ(NumberedPath("/pics/shot.jpg", 0), "/pics/shot00000000.jpg");
    EXPECT_EQ(NumberedPath("/pics/shot.jpg", 1), "/pics/shot00000001.jpg");
    EXPECT_EQ(NumberedPath("/pics/shot", 1), "/pics/shot00000001");
    EXPECT_EQ(NumberedPath("shot.tar.jpg", 42), "shot.tar00000042.jpg");
}

TEST(CaptureNaming, MoreDigitsOnceNeeded) {
    EXPECT_EQ(NumberedPath("/p/s.jpg", 99999999), "/p/s99999999.jpg");
    EXPECT_EQ(NumberedPath("/p/s.jpg", 100000000), "/p/s100000000.jpg");
    EXPECT_EQ(NumberedPath("/p/s.jpg", 1234567890), "/p/s1234567890.jpg");
}

// Only a name NumberedPath gives for the path counts as one of its pictures.
TEST(CaptureNaming, NumberInNameTakesExactlyTheNamesTheCaptureGives) {
    const transfer::NumberedPattern jpeg = transfer::PatternOf("/pics/shot.jpg");
    const transfer::NumberedPattern bare = transfer::PatternOf("cam1");
    EXPECT_EQ(jpeg.folder, "/pics/");
    EXPECT_EQ(bare.folder, ".");
    const struct {
        const transfer::NumberedPattern* pattern;
        const char* name;
        std::optional<std::uint64_t> number;
    } cases[] = {
        {&jpeg, "shot00000000.jpg", 0},
        {&jpeg, "shot00000042.jpg", 42},
        {&jpeg, "shot99999999.jpg", 99999999},
        {&jpeg, "shot100000000.jpg", 100000000},
        {&jpeg, "shot18446744073709551615.jpg", 18446744073709551615ull},
        {&jpeg, "shot18446744073709551616.jpg", std::nullopt}, // no capture gets there
        {&jpeg, "shot0000042.jpg", std::nullopt},              // seven digits
        {&jpeg, "shot000000042.jpg", std::nullopt},            // nine with a leading zero
        {&jpeg, "shot0000004a.jpg", std::nullopt},
        {&jpeg, "shot00000042.jpeg", std::nullopt},
        {&jpeg, "shot00000042.jpg.tmp", std::nullopt},
        {&jpeg, "Shot00000042.jpg", std::nullopt},
        {&jpeg, "xshot00000042.jpg", std::nullopt},
        {&jpeg, "shot.jpg", std::nullopt},
        {&bare, "cam100000007", 7},
        {&bare, "cam100000007.jpg", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(transfer::NumberInName(*c.pattern, c.name), c.number);
    }
}

TEST(CaptureNaming, HighestNumberPresentReadsTheFolderOnce) {
    testsupport::TempDir dir;
    EXPECT_EQ(transfer::HighestNumberPresent(dir / "shot.jpg"), std::nullopt);
    for (const char* name : {"shot00000003.jpg", "shot00000120.jpg", "shot00000999.jpeg",
                             "shot000000999.jpg", "other00005000.jpg"}) {
        testsupport::WriteFile(dir / name, "x");
    }
    EXPECT_EQ(transfer::HighestNumberPresent(dir / "shot.jpg"), 120u);
    EXPECT_EQ(transfer::HighestNumberPresent(dir / "nowhere/shot.jpg"), std::nullopt);
}

TEST(FreeSpaceRule, StopsOnlyBelowTheLimitAndBelowFourGiB) {
    constexpr std::uint64_t kFourGiB = std::uint64_t{1} << 32;
    EXPECT_FALSE(FreeSpaceBelowLimit(0, 0)) << "a limit of 0 never stops";
    EXPECT_FALSE(FreeSpaceBelowLimit(1000, 1000)) << "equal goes on";
    EXPECT_TRUE(FreeSpaceBelowLimit(999, 1000));
    EXPECT_FALSE(FreeSpaceBelowLimit(kFourGiB, 0xFFFFFFFFu));
    EXPECT_FALSE(FreeSpaceBelowLimit(kFourGiB + 5, 4293918720u))
        << "4 GiB or more free never stops, whatever the low bits say";
    EXPECT_TRUE(FreeSpaceBelowLimit(kFourGiB - 2, 0xFFFFFFFFu));
}
