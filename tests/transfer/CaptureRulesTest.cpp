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
