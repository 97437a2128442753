#include "BmpTestFiles.h"

#include "picture/Dib.h"
#include "platform/File.h"
#include "tests/support/TempDir.h"

#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <pthread.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using bmptest::ReadBmpBytes;
using bmptest::TestBmp;

namespace {

// An 8-bit 4x2 picture that every refusal below starts from.
TestBmp GoodSmall() {
    TestBmp bmp;
    bmp.pixels = std::string(8, '\x11');
    return bmp;
}

void MakeComplete(CDib& dib) {
    if (!ReadBmpBytes(GoodSmall().Bytes(), dib) || dib.pixels == nullptr) {
        ADD_FAILURE() << "the good file was refused";
    }
}

// Feeds bytes through a named pipe, whose length nobody knows ahead.
bool ReadBmpThroughPipe(const std::string& bytes, CDib& dib) {
    testsupport::TempDir folder;
    const std::string path = folder / "pipe";
    if (mkfifo(path.c_str(), 0600) != 0) {
        ADD_FAILURE() << "mkfifo failed";
        return false;
    }
    std::thread writer([&] {
        // A reader that stops early closes its end; the write then fails
        // with EPIPE instead of a signal that would end the test program.
        sigset_t pipeSignal;
        sigemptyset(&pipeSignal);
        sigaddset(&pipeSignal, SIGPIPE);
        pthread_sigmask(SIG_BLOCK, &pipeSignal, nullptr);
        const int descriptor = open(path.c_str(), O_WRONLY);
        if (descriptor >= 0) {
            std::size_t done = 0;
            while (done < bytes.size()) {
                const ssize_t n = write(descriptor, bytes.data() + done, bytes.size() - done);
                if (n <= 0) {
                    break;
                }
                done += static_cast<std::size_t>(n);
            }
            close(descriptor);
        }
    });
    platform::File file;
    const bool opened = file.OpenForReading(path);
    const bool read = opened && dib.ReadBmp(file);
    file.Close();
    writer.join();
    return read;
}

} // namespace

TEST(DibRead, RefusesFilesThatAreNotWhatTheyClaim) {
    struct Case {
        const char* what;
        std::string bytes;
    };
    std::vector<Case> cases;
    const auto add = [&cases](const char* what, std::string bytes) {
        cases.push_back({what, std::move(bytes)});
    };
    const auto with = [](auto change) {
        TestBmp bmp = GoodSmall();
        change(bmp);
        return bmp.Bytes();
    };

    add("empty file", "");
    add("shorter than the file header", GoodSmall().Bytes(10));
    add("file header only", GoodSmall().Bytes(14));
    add("info header cut short", GoodSmall().Bytes(14 + 20));
    add("wrong signature", with([](TestBmp& b) { b.signature = "BA"; }));
    add("signature reversed", with([](TestBmp& b) { b.signature = "MB"; }));
    add("12-byte info header", with([](TestBmp& b) { b.info.biSize = 12; }));
    add("108-byte info header", with([](TestBmp& b) { b.info.biSize = 108; }));
    add("124-byte info header", with([](TestBmp& b) { b.info.biSize = 124; }));
    add("pixel offset inside the file header", with([](TestBmp& b) { b.bfOffBits = 10; }));
    add("pixel offset inside the info header", with([](TestBmp& b) { b.bfOffBits = 53; }));
    add("pixel offset leaves no room for the colour table",
        with([](TestBmp& b) { b.bfOffBits = 54 + 4 * 256 - 1; }));
    add("pixel offset too small for the given colour count", with([](TestBmp& b) {
            b.info.biClrUsed = 16;
            b.tableEntries = 16;
            b.bfOffBits = 54 + 4 * 15;
        }));
    add("colour table cut short by the end of the file", GoodSmall().Bytes(54 + 4 * 100));
    add("257 colours", with([](TestBmp& b) {
            b.info.biClrUsed = 257;
            b.tableEntries = 257;
        }));
    add("four thousand million colours", with([](TestBmp& b) { b.info.biClrUsed = 0xFFFFFFFFu; }));
    add("negative width", with([](TestBmp& b) { b.info.biWidth = -4; }));
    add("bits of a row beyond 32 bits", with([](TestBmp& b) {
            b.info.biWidth = 0x7FFFFFFF;
            b.info.biBitCount = 32;
            b.tableEntries = 0;
        }));
    add("huge bit count", with([](TestBmp& b) {
            b.info.biWidth = 65537;
            b.info.biBitCount = 65535;
            b.tableEntries = 0;
        }));
    add("rows beyond 32 bits", with([](TestBmp& b) {
            b.info.biWidth = 65535;
            b.info.biHeight = 65537;
        }));
    add("top-down height without a positive counterpart",
        with([](TestBmp& b) { b.info.biHeight = static_cast<std::int32_t>(0x80000000u); }));
    add("pixel data larger than the file", with([](TestBmp& b) { b.info.biSizeImage = 100000; }));
    add("computed pixel data larger than the file", with([](TestBmp& b) {
            b.info.biWidth = 300;
            b.info.biHeight = 300;
        }));
    add("pixel offset beyond the end of the file", with([](TestBmp& b) {
            b.bfOffBits = 100000;
            b.pixels = std::string(2000, '\0');
        }));

    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CDib dib;
        MakeComplete(dib);
        EXPECT_FALSE(ReadBmpBytes(c.bytes, dib));
        EXPECT_EQ(dib.InfoHeader(), nullptr);
        EXPECT_EQ(dib.pixels, nullptr);
        EXPECT_EQ(dib.imageSize, 0u);
        EXPECT_EQ(dib.colorCount, 0);
        EXPECT_TRUE(dib.Palette().empty());
    }
}

TEST(DibRead, RefusesPixelDataBeyondTheBoundEvenInALargeFile) {
    // A sparse file large enough that only the bound can refuse it.
    testsupport::TempDir folder;
    const std::string path = folder / "large.bmp";
    TestBmp bmp = GoodSmall();
    bmp.info.biSizeImage = CDib::kMaxReadImageSize + 1;
    testsupport::WriteFile(path, bmp.Bytes());
    ASSERT_EQ(truncate(path.c_str(), 300 * 1024 * 1024), 0);

    CDib dib;
    platform::File file;
    ASSERT_TRUE(file.OpenForReading(path));
    EXPECT_FALSE(dib.ReadBmp(file));
    EXPECT_EQ(dib.pixels, nullptr);
}

TEST(DibRead, RefusesWhatCannotBeRead) {
    testsupport::TempDir folder;
    const std::string path = folder / "write-only.bmp";
    testsupport::WriteFile(path, GoodSmall().Bytes());
    CDib dib;
    platform::File file;
    ASSERT_TRUE(file.Create(path));
    EXPECT_FALSE(dib.ReadBmp(file));
}

TEST(DibRead, PictureCutShortKeepsZerosForTheMissingBytes) {
    TestBmp bmp;
    bmp.info.biWidth = 641;
    bmp.info.biHeight = 10;
    for (std::size_t i = 0; i < 6000; ++i) {
        bmp.pixels.push_back(static_cast<char>(bmptest::PatternByte(i)));
    }
    CDib dib;
    ASSERT_TRUE(ReadBmpBytes(bmp.Bytes(), dib));
    ASSERT_EQ(dib.imageSize, 6440u);
    for (std::size_t i = 0; i < 6000; ++i) {
        ASSERT_EQ(dib.pixels[i], bmptest::PatternByte(i)) << i;
    }
    for (std::size_t i = 6000; i < 6440; ++i) {
        ASSERT_EQ(dib.pixels[i], 0) << i;
    }
}

TEST(DibRead, StreamOfUnknownLengthIsBoundedAndZeroFilled) {
    TestBmp cut = GoodSmall();
    cut.info.biSizeImage = 1 << 20;
    cut.pixels = std::string(100, '\x7F');
    CDib dib;
    ASSERT_TRUE(ReadBmpThroughPipe(cut.Bytes(), dib));
    ASSERT_EQ(dib.imageSize, 1u << 20);
    EXPECT_EQ(dib.pixels[99], 0x7F);
    EXPECT_EQ(dib.pixels[100], 0);
    EXPECT_EQ(dib.pixels[(1 << 20) - 1], 0);

    TestBmp huge = GoodSmall();
    huge.info.biSizeImage = CDib::kMaxReadImageSize + 1;
    EXPECT_FALSE(ReadBmpThroughPipe(huge.Bytes(), dib));
    TestBmp farOffset = GoodSmall();
    farOffset.bfOffBits = 1 << 20;
    EXPECT_FALSE(ReadBmpThroughPipe(farOffset.Bytes(), dib));
}

TEST(DibRead, TakesWhatTheHeadersSay) {
    {
        SCOPED_TRACE("fewer colours than the depth allows");
        TestBmp bmp = GoodSmall();
        bmp.info.biClrUsed = 16;
        bmp.tableEntries = 16;
        CDib dib;
        ASSERT_TRUE(ReadBmpBytes(bmp.Bytes(), dib));
        EXPECT_EQ(dib.colorCount, 16);
        EXPECT_EQ(dib.InfoBlockSize(), 104u);
        ASSERT_EQ(dib.Palette().size(), 16u);
        EXPECT_EQ(dib.Palette()[15].red, bmptest::TableEntry(15).rgbRed);
        EXPECT_EQ(dib.Palette()[15].green, bmptest::TableEntry(15).rgbGreen);
        EXPECT_EQ(dib.Palette()[15].blue, bmptest::TableEntry(15).rgbBlue);
        EXPECT_EQ(dib.pixels[7], 0x11);
    }
    {
        SCOPED_TRACE("a gap before the pixels");
        TestBmp bmp = GoodSmall();
        bmp.gap = std::string(12, '\xAB');
        bmp.pixels = "\x01\x02\x03\x04\x05\x06\x07\x08";
        CDib dib;
        ASSERT_TRUE(ReadBmpBytes(bmp.Bytes(), dib));
        ASSERT_EQ(dib.imageSize, 8u);
        const std::uint8_t* pixels = dib.pixels;
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(pixels), 8), bmp.pixels);
        bool written = false;
        const std::string rewritten = bmptest::WriteBmpBytes(dib, written);
        ASSERT_TRUE(written);
        EXPECT_EQ(bmptest::U32At(rewritten, 10), 1078u) << "the gap is not written back";
        EXPECT_EQ(rewritten.substr(1078), bmp.pixels);
    }
    {
        SCOPED_TRACE("a declared pixel size larger than the rows");
        TestBmp bmp = GoodSmall();
        bmp.info.biSizeImage = 20;
        bmp.pixels = std::string(20, '\x22');
        CDib dib;
        ASSERT_TRUE(ReadBmpBytes(bmp.Bytes(), dib));
        EXPECT_EQ(dib.imageSize, 20u);
        EXPECT_EQ(dib.pixels[19], 0x22);
    }
    {
        SCOPED_TRACE("top-down rows");
        TestBmp bmp = GoodSmall();
        bmp.info.biHeight = -2;
        CDib dib;
        ASSERT_TRUE(ReadBmpBytes(bmp.Bytes(), dib));
        EXPECT_EQ(dib.imageSize, 8u);
        EXPECT_EQ(dib.InfoHeader()->biHeight, -2);
    }
    {
        SCOPED_TRACE("no pixels at all");
        TestBmp bmp = GoodSmall();
        bmp.info.biWidth = 0;
        bmp.pixels.clear();
        CDib dib;
        ASSERT_TRUE(ReadBmpBytes(bmp.Bytes(), dib));
        EXPECT_EQ(dib.imageSize, 0u);
        EXPECT_NE(dib.pixels, nullptr);
    }
    {
        SCOPED_TRACE("a depth without a colour table of its own");
        TestBmp bmp = GoodSmall();
        bmp.info.biBitCount = 2;
        bmp.tableEntries = 0;
        bmp.pixels = std::string(8, '\x33');
        CDib dib;
        ASSERT_TRUE(ReadBmpBytes(bmp.Bytes(), dib));
        EXPECT_EQ(dib.colorCount, 0);
        EXPECT_TRUE(dib.Palette().empty());
        EXPECT_EQ(dib.imageSize, 8u);
    }
}

TEST(DibRead, ReadingReplacesTheFormerPicture) {
    CDib dib(641, 10, 8);
    ASSERT_NE(dib.CreatePixelSection(), nullptr);
    TestBmp bmp = GoodSmall();
    bmp.info.biBitCount = 24;
    bmp.tableEntries = 0;
    bmp.info.biWidth = 1;
    bmp.info.biHeight = 1;
    bmp.pixels = "\x01\x02\x03\x00";
    ASSERT_TRUE(ReadBmpBytes(bmp.Bytes(), dib));
    EXPECT_EQ(dib.colorCount, 0);
    EXPECT_EQ(dib.imageSize, 4u);
    EXPECT_EQ(dib.InfoHeader()->biWidth, 1);
    EXPECT_EQ(dib.pixels[2], 3);
}
