// What a /stream reader gets: every picture once, whole and in order, the
// newest at once, and grey pictures as upright JPEG.
#include "HttpClient.h"
#include "TestPictures.h"
#include "ViewFixture.h"
#include "tests/support/TempDir.h"

#include "tests/support/PatternBytes.h"
#include "web/MultipartStream.h"

#include <filesystem>
#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace webtest {
namespace {

std::string PatternPicture(std::size_t size, std::uint32_t seed) {
    const auto bytes = testsupport::PatternBytes(size, seed);
    return {bytes.begin(), bytes.end()};
}

TEST(StreamTest, ReaderGetsEveryPictureOnceInOrderByteForByte) {
    ViewFixture fixture;
    ASSERT_EQ(fixture.startError, "");
    StreamReader reader(fixture.Port());
    ASSERT_TRUE(reader.Started());
    EXPECT_EQ(reader.ContentType(), web::MultipartStream::ContentType());
    for (std::uint64_t number = 0; number < 8; ++number) {
        // Sizes on both sides of the server's 64 KiB blocks.
        const std::string picture = number % 2 == 0 ? MakeJpeg(320, 240, static_cast<int>(number))
                                                    : PatternPicture(150'000 + number, number);
        fixture.StorePicture(number, picture);
        const auto received = reader.NextPicture();
        ASSERT_TRUE(received.has_value()) << "picture " << number;
        EXPECT_EQ(*received, picture) << "picture " << number;
    }
    // Nothing more than was stored: no picture twice.
    EXPECT_FALSE(reader.NextPicture(300ms).has_value());
}

// A camera faster than a viewer's rate: the viewer takes the newest picture
// once its gap has passed and skips those that came meanwhile; it never falls
// behind the camera.
TEST(StreamTest, AViewerTakesTheNewestPictureNoOftenerThanItsRate) {
    web::WebOptions options;
    options.maxPicturesPerSecond = 1;
    ViewFixture fixture(transfer::RunKind::Capture, options);
    StreamReader reader(fixture.Port());
    ASSERT_TRUE(reader.Started());
    std::vector<std::string> stored;
    for (std::uint64_t number = 0; number < 4; ++number) {
        stored.push_back(MakeJpeg(160, 120, static_cast<int>(number)));
        fixture.StorePicture(number, stored.back());
        if (number == 0) {
            ASSERT_EQ(reader.NextPicture(), stored[0]);
        }
    }
    EXPECT_EQ(reader.NextPicture(), stored[3]) << "the newest, after the gap";
    EXPECT_FALSE(reader.NextPicture(300ms).has_value());
}

TEST(StreamTest, NewestPictureGoesOutAtOnceOnConnect) {
    ViewFixture fixture;
    fixture.StorePicture(1, MakeJpeg(160, 120, 1));
    const std::string newest = MakeJpeg(160, 120, 2);
    fixture.StorePicture(2, newest);
    StreamReader reader(fixture.Port());
    const auto received = reader.NextPicture();
    ASSERT_TRUE(received.has_value());
    EXPECT_EQ(*received, newest);
    // The header block of the part after it came with it, stamped now.
    const double stamp = std::stod(reader.LastTimestamp());
    const double now =
        std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
    EXPECT_NEAR(stamp, now, 60.0);
}

// The stored BMP keeps its rows bottom-up; the stream must show the camera's
// picture the right way up, in both modes (live mode takes the bytes before
// the display file is overwritten).
class GreyStreamTest : public testing::TestWithParam<transfer::RunKind> {};

TEST_P(GreyStreamTest, GreyBmpArrivesAsUprightJpeg) {
    const bool live = GetParam() == transfer::RunKind::Live;
    ViewFixture fixture(GetParam());
    StreamReader reader(fixture.Port());
    // A width that is no multiple of 4 pads every BMP row.
    const GreyPixels camera = MakeGreyPixels(162, 120);
    const std::string path = fixture.PicturePath(3);
    ASSERT_TRUE(WriteGreyBmp(path, camera));
    const std::string bmp = testsupport::ReadFile(path);
    transfer::PictureStored stored;
    stored.number = 3;
    stored.file = path;
    stored.kind = transfer::PictureKind::UncompressedPixels;
    stored.width = camera.width;
    stored.height = camera.height;
    stored.picture = SharedPicture(3, bmp, stored.kind);
    fixture.Tell(stored);
    if (live) {
        // The next picture takes the display file's place as soon as the
        // listener has returned, renamed over it whole as the worker does.
        testsupport::WriteFile(path + ".next", "the next picture");
        std::filesystem::rename(path + ".next", path);
    }

    const auto received = reader.NextPicture();
    ASSERT_TRUE(received.has_value());
    // The same picture by every way a viewer can ask for it.
    for (const std::string& jpeg : {*received, Request(fixture.Port(), "GET", "/snapshot").body,
                                    Request(fixture.Port(), "GET", "/pictures/3").body}) {
        const GreyPixels decoded = DecodeGrey(jpeg);
        ASSERT_EQ(decoded.width, camera.width);
        ASSERT_EQ(decoded.height, camera.height);
        EXPECT_LT(MeanDifference(decoded, camera), 3.0);
    }
    if (!live) {
        // The stored file is never changed by being shown.
        EXPECT_EQ(testsupport::ReadFile(path), bmp);
    }
}

INSTANTIATE_TEST_SUITE_P(BothModes, GreyStreamTest,
                         testing::Values(transfer::RunKind::Capture, transfer::RunKind::Live));

// Without a rate, a viewer that keeps up gets every picture in the run's
// order, grey ones too: a grey picture still being made JPEG when the next
// one comes is neither skipped nor overtaken.
TEST(StreamTest, WithoutARateAViewerGetsEveryPictureGreyOnesToo) {
    web::WebOptions options;
    options.maxPicturesPerSecond = 0;
    ViewFixture fixture(transfer::RunKind::Capture, options);
    StreamReader reader(fixture.Port());
    ASSERT_TRUE(reader.Started());
    const std::string first = MakeJpeg(160, 120, 0);
    fixture.StorePicture(0, first);
    ASSERT_EQ(reader.NextPicture(), first);

    // Told one right after the other, as an unpaced camera does.
    const GreyPixels grey = MakeGreyPixels(322, 240);
    std::vector<std::string> jpegs;
    for (std::uint64_t number = 1; number <= 6; ++number) {
        const bool isGrey = number % 2 == 1;
        const std::string path = fixture.PicturePath(number);
        if (isGrey) {
            ASSERT_TRUE(WriteGreyBmp(path, grey));
        } else {
            jpegs.push_back(MakeJpeg(160, 120, static_cast<int>(number)));
            testsupport::WriteFile(path, jpegs.back());
        }
        const std::string bytes = testsupport::ReadFile(path);
        transfer::PictureStored stored;
        stored.number = number;
        stored.file = path;
        stored.kind =
            isGrey ? transfer::PictureKind::UncompressedPixels : transfer::PictureKind::Jpeg;
        stored.bytes = static_cast<std::uint32_t>(bytes.size());
        stored.picture = SharedPicture(number, bytes, stored.kind);
        fixture.Tell(stored);
    }
    for (std::uint64_t number = 1; number <= 6; ++number) {
        SCOPED_TRACE(number);
        const auto received = reader.NextPicture();
        ASSERT_TRUE(received.has_value());
        if (number % 2 == 1) {
            const GreyPixels decoded = DecodeGrey(*received);
            ASSERT_EQ(decoded.width, grey.width);
            EXPECT_LT(MeanDifference(decoded, grey), 3.0);
        } else {
            EXPECT_EQ(*received, jpegs[number / 2 - 1]);
        }
    }
    EXPECT_FALSE(reader.NextPicture(300ms).has_value()) << "no picture twice";
}

// Waiting for the camera is not the viewer being idle: a stream must outlive
// the idle timeout while no picture comes, and then still get the next one.
TEST(StreamTest, QuietCameraDoesNotTimeTheViewerOut) {
    web::WebOptions options;
    options.idleTimeoutSeconds = 1;
    ViewFixture fixture(transfer::RunKind::Capture, options);
    StreamReader reader(fixture.Port());
    ASSERT_TRUE(reader.Started());
    std::this_thread::sleep_for(3500ms);
    const std::string picture = MakeJpeg(160, 120, 5);
    fixture.StorePicture(5, picture);
    const auto received = reader.NextPicture(5s);
    ASSERT_TRUE(received.has_value());
    EXPECT_EQ(*received, picture);
}

} // namespace
} // namespace webtest
