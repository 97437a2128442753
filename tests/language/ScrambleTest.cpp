#include "language/Scramble.h"

#include <gtest/gtest.h>

using language::Scramble;
using language::ScrambleKey;
using language::Unscramble;

TEST(Scramble, KeyIsKeyLengthPlusOne) {
    EXPECT_EQ(ScrambleKey("QX_IDOK"), 8);
    EXPECT_EQ(ScrambleKey("ABOUT_IDOK"), 11);
    EXPECT_EQ(ScrambleKey("STRING_IDS_SAVE_JPEG_FILTER"), 28);
}

TEST(Scramble, DecodesByTheRule) {
    // 'C' = 0x43: ((0x43 - 32) ^ 8) + 32 = 0x4B, so "4B" holds 'C' for K = 8.
    EXPECT_EQ(Unscramble("4B", 8), "C");
    EXPECT_EQ(Scramble("C", 8), "4B");
    EXPECT_EQ(Scramble("Connect", 8), "4B6766666D6B7C");
    EXPECT_EQ(Unscramble("4B6766666D6B7C", 8), "Connect");
}

TEST(Scramble, SameValueUnderKeysOfOtherLengthGivesOtherText) {
    const std::string stored = Scramble("Connect", ScrambleKey("QX_IDOK"));
    EXPECT_NE(Unscramble(stored, ScrambleKey("ABOUT_IDOK")), "Connect");
}

TEST(Scramble, LowerCaseDigitsDecodeLikeUpperCase) {
    EXPECT_EQ(Unscramble("4a", 8), Unscramble("4A", 8));
    EXPECT_EQ(Unscramble("6766", 8), "on");
    EXPECT_EQ(Unscramble("4b6d", 8), "Ce");
}

TEST(Scramble, PairsBelow20TakeThePathThatAdds256) {
    // A line break (10) for K = 8: ((10 - 32) mod 256 ^ 8) + 32 = 0x102 -> "02".
    EXPECT_EQ(Scramble("\n", 8), "02");
    EXPECT_EQ(Unscramble("02", 8), "\n");
    // 0x08 with K = 8 decodes to the character code 0.
    EXPECT_EQ(Unscramble("08", 8), std::string(1, '\0'));
}

TEST(Scramble, PairsThatAreNotTwoHexDigitsReadAsFarAsTheyGo) {
    // "4G" reads as 4, "G4" as 0; both then take the below-0x20 path.
    EXPECT_EQ(Unscramble("4G", 8), Unscramble("04", 8));
    EXPECT_EQ(Unscramble("G4", 8), Unscramble("00", 8));
}

TEST(Scramble, OddLastCharacterIsNotDecoded) {
    EXPECT_EQ(Unscramble("4B4", 8), "C");
    EXPECT_EQ(Unscramble("", 8), "");
}

TEST(Scramble, EncodeIsTheExactInverseForEveryCodeAndKey) {
    std::string all;
    for (int c = 0; c < 256; ++c) {
        all.push_back(static_cast<char>(c));
    }
    for (int k = 2; k <= 31; ++k) {
        SCOPED_TRACE("K = " + std::to_string(k));
        const std::string stored = Scramble(all, k);
        ASSERT_EQ(stored.size(), 512u);
        EXPECT_EQ(Unscramble(stored, k), all);
        for (char digit : stored) {
            EXPECT_TRUE((digit >= '0' && digit <= '9') || (digit >= 'A' && digit <= 'F'));
        }
    }
}
