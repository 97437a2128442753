#include "BmpTestFiles.h"

#include "picture/Dib.h"
#include "platform/File.h"
#include "tests/support/TempDir.h"

#include <cerrno>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using bmptest::FillPattern;
using bmptest::PatternByte;
using bmptest::U16At;
using bmptest::U32At;
using bmptest::WriteBmpBytes;

namespace {

void SetGreyTable(CDib& dib) {
    for (std::size_t i = 0; i < dib.ColorTable().size(); ++i) {
        const auto grey = static_cast<std::uint8_t>(i);
        dib.ColorTable()[i] = RgbQuad{grey, grey, grey, 0};
    }
}

void ExpectSameBitmap(const CDib& actual, const CDib& expected) {
    ASSERT_NE(actual.InfoHeader(), nullptr);
    ASSERT_NE(expected.InfoHeader(), nullptr);
    ASSERT_EQ(bmptest::ShapeOf(actual), bmptest::ShapeOf(expected));
    const BitmapInfoHeader& a = *actual.InfoHeader();
    const BitmapInfoHeader& e = *expected.InfoHeader();
    EXPECT_EQ(a.biClrUsed, e.biClrUsed);
    EXPECT_EQ(a.biClrImportant, e.biClrImportant);
    EXPECT_EQ(a.biSizeImage, e.biSizeImage);
    for (std::size_t i = 0; i < expected.ColorTable().size(); ++i) {
        ASSERT_EQ(bmptest::EntryValue(actual.ColorTable()[i]),
                  bmptest::EntryValue(expected.ColorTable()[i]))
            << "colour " << i;
    }
    ASSERT_NE(actual.pixels, nullptr);
    for (std::size_t i = 0; i < expected.imageSize; ++i) {
        ASSERT_EQ(actual.pixels[i], expected.pixels[i]) << "pixel byte " << i;
    }
}

} // namespace

TEST(DibWrite, FileHasHeadersTableAndPixelsInPlace) {
    CDib dib(641, 10, 8);
    SetGreyTable(dib);
    ASSERT_NE(dib.CreatePixelSection(), nullptr);
    FillPattern(dib);

    bool written = false;
    const std::string bytes = WriteBmpBytes(dib, written);
    EXPECT_TRUE(written);
    ASSERT_EQ(bytes.size(), 1078u + 6440u);
    EXPECT_EQ(bytes.substr(0, 2), "BM");
    EXPECT_EQ(U32At(bytes, 2), 0u) << "bfSize stays 0";
    EXPECT_EQ(U32At(bytes, 6), 0u) << "reserved";
    EXPECT_EQ(U32At(bytes, 10), 1078u) << "bfOffBits";
    EXPECT_EQ(U32At(bytes, 14), 40u);
    EXPECT_EQ(U32At(bytes, 18), 641u);
    EXPECT_EQ(U32At(bytes, 22), 10u);
    EXPECT_EQ(U16At(bytes, 26), 1);
    EXPECT_EQ(U16At(bytes, 28), 8);
    EXPECT_EQ(U32At(bytes, 30), 0u);
    EXPECT_EQ(U32At(bytes, 34), 0u);
    EXPECT_EQ(U32At(bytes, 46), 256u);
    EXPECT_EQ(U32At(bytes, 50), 256u);
    for (std::size_t i = 0; i < 256; ++i) {
        ASSERT_EQ(U32At(bytes, 54 + 4 * i), i * 0x010101u) << "colour " << i;
    }
    for (std::size_t i = 0; i < 6440; ++i) {
        ASSERT_EQ(static_cast<std::uint8_t>(bytes[1078 + i]), PatternByte(i)) << "pixel " << i;
    }
}

TEST(DibWrite, PixelsFollowTheTableForEveryDepth) {
    struct Case {
        std::int32_t width;
        std::int32_t height;
        std::uint16_t bitCount;
        std::uint32_t offBits;
        std::uint32_t imageSize;
    };
    const Case cases[] = {
        {640, 480, 8, 1078, 307200}, {5, 3, 24, 54, 48}, {5, 3, 32, 54, 60},
        {5, 3, 4, 118, 12},          {5, 3, 1, 62, 12},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << "x" << c.bitCount);
        CDib dib(c.width, c.height, c.bitCount);
        ASSERT_NE(dib.CreatePixelSection(), nullptr);
        bool written = false;
        const std::string bytes = WriteBmpBytes(dib, written);
        EXPECT_TRUE(written);
        EXPECT_EQ(U32At(bytes, 10), c.offBits);
        EXPECT_EQ(bytes.size(), c.offBits + c.imageSize);
    }
}

TEST(DibWrite, ReadingAWrittenFileGivesBackEveryByte) {
    struct Case {
        std::int32_t width;
        std::int32_t height;
        std::uint16_t bitCount;
    };
    const Case cases[] = {{641, 10, 8}, {7, -5, 24}, {33, 4, 1}, {3, 3, 32}, {9, 2, 2}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << "x" << c.bitCount);
        CDib original(c.width, c.height, c.bitCount);
        for (std::size_t i = 0; i < original.ColorTable().size(); ++i) {
            original.ColorTable()[i] = bmptest::TableEntry(i);
        }
        ASSERT_NE(original.CreatePixelSection(), nullptr);
        FillPattern(original);
        bool written = false;
        const std::string first = WriteBmpBytes(original, written);
        ASSERT_TRUE(written);

        CDib copy;
        ASSERT_TRUE(bmptest::ReadBmpBytes(first, copy));
        ExpectSameBitmap(copy, original);
        EXPECT_EQ(copy.Palette().size(), original.ColorTable().size());

        const std::string second = WriteBmpBytes(copy, written);
        ASSERT_TRUE(written);
        EXPECT_TRUE(second == first) << "a read and written file must not change";
    }
}

TEST(DibWrite, SerializeStoresAndLoads) {
    testsupport::TempDir folder;
    const std::string path = folder / "pic.bmp";
    CDib original(13, 7, 8);
    ASSERT_NE(original.CreatePixelSection(), nullptr);
    FillPattern(original);
    {
        platform::File file;
        ASSERT_TRUE(file.Create(path));
        ASSERT_TRUE(original.Serialize(file, CDib::Direction::Store));
        ASSERT_TRUE(file.Close());
    }
    CDib copy;
    platform::File file;
    ASSERT_TRUE(file.OpenForReading(path));
    ASSERT_TRUE(copy.Serialize(file, CDib::Direction::Load));
    ExpectSameBitmap(copy, original);
}

TEST(DibWrite, BitmapWithoutPixelMemoryWritesNothing) {
    CDib sized(640, 480, 8);
    bool written = true;
    EXPECT_TRUE(WriteBmpBytes(sized, written).empty());
    EXPECT_FALSE(written);

    CDib empty;
    written = true;
    EXPECT_TRUE(WriteBmpBytes(empty, written).empty());
    EXPECT_FALSE(written);
}

TEST(DibWrite, FileOpenForReadingIsAWriteError) {
    testsupport::TempDir folder;
    const std::string path = folder / "ro.bmp";
    testsupport::WriteFile(path, "old");
    CDib dib(4, 4, 8);
    ASSERT_NE(dib.CreatePixelSection(), nullptr);
    platform::File file;
    ASSERT_TRUE(file.OpenForReading(path));
    EXPECT_FALSE(dib.WriteBmp(file));
    EXPECT_EQ(testsupport::ReadFile(path), "old");
}

TEST(DibWrite, FullDiskIsAWriteError) {
    if (access("/dev/full", W_OK) != 0) {
        GTEST_SKIP() << "no /dev/full";
    }
    CDib dib(64, 64, 8);
    ASSERT_NE(dib.CreatePixelSection(), nullptr);
    platform::File file;
    ASSERT_TRUE(file.Create("/dev/full"));
    EXPECT_FALSE(dib.WriteBmp(file));
    EXPECT_EQ(file.Error(), ENOSPC) << "the reason stays with the file";
}

TEST(DibWrite, FileSizeLimitStopsTheWriteAndKeepsWhatWasWritten) {
    testsupport::TempDir folder;
    const std::string path = folder / "limited.bmp";
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{5000, 5000};
        if (setrlimit(RLIMIT_FSIZE, &limit) != 0) {
            _exit(3);
        }
        CDib dib(640, 480, 8);
        platform::File file;
        if (dib.CreatePixelSection() == nullptr || !file.Create(path)) {
            _exit(4);
        }
        const bool written = dib.WriteBmp(file);
        _exit(!written && file.Error() == EFBIG ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "the child died of a signal";
    EXPECT_EQ(WEXITSTATUS(status), 0);
    const std::string bytes = testsupport::ReadFile(path);
    EXPECT_EQ(bytes.size(), 5000u);
    EXPECT_EQ(bytes.substr(0, 2), "BM");
}
