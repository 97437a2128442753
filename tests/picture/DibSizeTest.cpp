#include "BmpTestFiles.h"

#include "picture/Dib.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <limits>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define ZELNOR2_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define ZELNOR2_SANITIZED 1
#endif
#endif

using bmptest::FillPattern;
using bmptest::PatternByte;

TEST(DibSize, CameraPictureOfVgaSizeHasFullBlackTable) {
    CDib dib(640, 480, 8);
    EXPECT_EQ(dib.colorCount, 256);
    EXPECT_EQ(dib.InfoBlockSize(), 1064u);
    EXPECT_EQ(dib.imageSize, 307200u);
    EXPECT_EQ(dib.pixels, nullptr);
    for (const RgbQuad& entry : dib.ColorTable()) {
        EXPECT_EQ(bmptest::EntryValue(entry), 0u);
    }
    const BitmapInfoHeader* info = dib.InfoHeader();
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->biSize, 40u);
    EXPECT_EQ(info->biWidth, 640);
    EXPECT_EQ(info->biHeight, 480);
    EXPECT_EQ(info->biPlanes, 1);
    EXPECT_EQ(info->biBitCount, 8);
    EXPECT_EQ(info->biCompression, 0u);
    EXPECT_EQ(info->biSizeImage, 0u);
    EXPECT_EQ(info->biClrUsed, 256u);
    EXPECT_EQ(info->biClrImportant, 256u);
}

TEST(DibSize, RowsArePaddedToWholeWords) {
    const bmptest::DibShape cases[] = {
        {641, 10, 8, 256, 6440}, // rows of 644
        {1, 1, 8, 256, 4},
        {4, 3, 8, 256, 12},
        {5, 2, 8, 256, 16},
        {641, 10, 1, 2, 840},
        {641, 10, 4, 16, 3240},
        {641, 10, 16, 0, 12840},
        {641, 10, 24, 0, 19240},
        {641, 10, 32, 0, 25640},
        {641, 10, 2, 0, 1640},
        {4, -3, 8, 256, 12}, // top-down rows count the same
        {0, 0, 8, 256, 0},
        {65535, 0, 8, 256, 0},
        // The largest picture a camera header can describe still fits.
        {65535, 65535, 8, 256, 4294901760u},
    };
    for (const bmptest::DibShape& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << "x" << c.bitCount);
        CDib dib(c.width, c.height, c.bitCount);
        ASSERT_NE(dib.InfoHeader(), nullptr);
        EXPECT_EQ(bmptest::ShapeOf(dib), c);
        EXPECT_EQ(dib.InfoBlockSize(), 40u + 4u * static_cast<std::uint32_t>(c.colors));
        EXPECT_EQ(dib.ColorTable().size(), static_cast<std::size_t>(c.colors));
    }
}

TEST(DibSize, SizesBeyondThirtyTwoBitsCannotGetPixelMemory) {
    const std::int32_t widest = std::numeric_limits<std::int32_t>::max();
    const std::int32_t lowest = std::numeric_limits<std::int32_t>::min();
    struct Case {
        std::int32_t width;
        std::int32_t height;
        std::uint16_t bitCount;
    };
    const Case cases[] = {
        {widest, 1, 32},   // bits per row overflow
        {70000, 70000, 8}, // rows times row size overflow
        {65535, 65537, 8}, // just past the camera's range
        {4, lowest, 8},    // top-down with no positive counterpart
        {-5, 3, 8},        // no picture has a negative width
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << "x" << c.bitCount);
        CDib dib(c.width, c.height, c.bitCount);
        EXPECT_NE(dib.InfoHeader(), nullptr);
        EXPECT_EQ(dib.imageSize, 0u);
        EXPECT_EQ(dib.CreatePixelSection(), nullptr);
        EXPECT_EQ(dib.pixels, nullptr);
    }
}

TEST(DibSize, PixelMemoryIsCreatedOnceZeroFilledAndKept) {
    CDib dib(641, 10, 8);
    std::uint8_t* first = dib.CreatePixelSection();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(dib.pixels, first);
    for (std::size_t i = 0; i < dib.imageSize; ++i) {
        ASSERT_EQ(first[i], 0) << "at " << i;
    }
    FillPattern(dib);

    EXPECT_EQ(dib.CreatePixelSection(), nullptr);
    EXPECT_EQ(dib.pixels, first);
    EXPECT_EQ(dib.imageSize, 6440u);
    for (std::size_t i = 0; i < dib.imageSize; ++i) {
        ASSERT_EQ(first[i], PatternByte(i)) << "at " << i;
    }
}

TEST(DibSize, EmptyPictureStillGetsPixelMemory) {
    CDib dib(0, 0, 8);
    EXPECT_NE(dib.CreatePixelSection(), nullptr);
    EXPECT_EQ(dib.imageSize, 0u);
}

TEST(DibSize, EmptyAndReleasedBitmapsHaveNothing) {
    CDib empty;
    EXPECT_EQ(empty.InfoHeader(), nullptr);
    EXPECT_EQ(empty.InfoBlockSize(), 0u);
    EXPECT_EQ(empty.CreatePixelSection(), nullptr);
    EXPECT_EQ(empty.pixels, nullptr);

    CDib dib(16, 16, 8);
    ASSERT_NE(dib.CreatePixelSection(), nullptr);
    dib.ColorTable()[0] = RgbQuad{1, 2, 3, 0};
    ASSERT_TRUE(dib.BuildPalette());
    dib.Release();
    EXPECT_EQ(dib.InfoHeader(), nullptr);
    EXPECT_EQ(dib.pixels, nullptr);
    EXPECT_EQ(dib.imageSize, 0u);
    EXPECT_EQ(dib.colorCount, 0);
    EXPECT_TRUE(dib.Palette().empty());
    EXPECT_EQ(dib.CreatePixelSection(), nullptr);
}

TEST(DibSize, PaletteTakesItsColoursFromTheTable) {
    CDib trueColour(8, 8, 24);
    EXPECT_FALSE(trueColour.BuildPalette());
    EXPECT_TRUE(trueColour.Palette().empty());

    CDib dib(8, 8, 4);
    for (std::size_t i = 0; i < dib.ColorTable().size(); ++i) {
        dib.ColorTable()[i] = bmptest::TableEntry(i);
        dib.ColorTable()[i].rgbReserved = 0x55;
    }
    ASSERT_TRUE(dib.BuildPalette());
    ASSERT_EQ(dib.Palette().size(), 16u);
    for (std::size_t i = 0; i < 16; ++i) {
        const RgbQuad expected = bmptest::TableEntry(i);
        EXPECT_EQ(dib.Palette()[i].red, expected.rgbRed) << i;
        EXPECT_EQ(dib.Palette()[i].green, expected.rgbGreen) << i;
        EXPECT_EQ(dib.Palette()[i].blue, expected.rgbBlue) << i;
        EXPECT_EQ(dib.Palette()[i].flags, 0) << i;
    }
    // A second build replaces the first rather than adding to it.
    dib.ColorTable()[3].rgbRed = 0xEE;
    ASSERT_TRUE(dib.BuildPalette());
    ASSERT_EQ(dib.Palette().size(), 16u);
    EXPECT_EQ(dib.Palette()[3].red, 0xEE);
}

TEST(DibSize, MemoryThatCannotBeHadGivesNullInsteadOfACrash) {
#ifdef ZELNOR2_SANITIZED
    GTEST_SKIP() << "the sanitizers reserve more address space than the limit allows";
#else
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // 4 GiB of pixels under a 1 GiB address-space limit.
        const rlimit limit{1u << 30, 1u << 30};
        if (setrlimit(RLIMIT_AS, &limit) != 0) {
            _exit(3);
        }
        CDib dib(65535, 65535, 8);
        if (dib.CreatePixelSection() != nullptr || dib.pixels != nullptr) {
            _exit(1);
        }
        // A size that fits the limit still works afterwards.
        CDib small(640, 480, 8);
        _exit(small.CreatePixelSection() != nullptr ? 0 : 2);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "the child died of a signal";
    EXPECT_EQ(WEXITSTATUS(status), 0);
#endif
}
