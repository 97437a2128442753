#include "ui/headless/HeadlessOptions.h"
#include "ui/headless/StatusReporter.h"

#include <cstdio>
#include <gtest/gtest.h>

using headless::Mode;
using headless::ParseHeadlessOptions;
using headless::WantsHeadless;

namespace {
std::vector<std::string> Args(std::initializer_list<const char*> list) {
    return std::vector<std::string>(list.begin(), list.end());
}
} // namespace

TEST(HeadlessOptions, CaptureWithEveryOption) {
    const auto result = ParseHeadlessOptions(
        Args({"--capture", "/pics/shot.jpg", "--port", "3", "--speed", "115200", "--count", "5",
              "--seconds", "2.5", "--delete-corrupted", "--free-space-limit", "4294967295"}));
    ASSERT_EQ(result.error, "");
    EXPECT_EQ(result.options.mode, Mode::Capture);
    EXPECT_EQ(result.options.path, "/pics/shot.jpg");
    EXPECT_EQ(result.options.port, 3);
    EXPECT_EQ(result.options.speed, 115200);
    EXPECT_EQ(result.options.count, 5u);
    EXPECT_DOUBLE_EQ(*result.options.seconds, 2.5);
    EXPECT_TRUE(result.options.deleteCorrupted);
    EXPECT_EQ(result.options.freeSpaceLimit, 4294967295u);
}

TEST(HeadlessOptions, LiveNeedsPortAndSpeedOnly) {
    const auto result =
        ParseHeadlessOptions(Args({"--live", "now.jpg", "--speed", "9600", "--port", "1"}));
    ASSERT_EQ(result.error, "");
    EXPECT_EQ(result.options.mode, Mode::Live);
    EXPECT_FALSE(result.options.count.has_value());
    EXPECT_FALSE(result.options.freeSpaceLimit.has_value());
}

TEST(HeadlessOptions, MalformedCommandLinesAreRefused) {
    for (const auto& args :
         {Args({"--capture", "x", "--port", "1"}), Args({"--capture", "x", "--speed", "9600"}),
          Args({"--capture", "x", "--port", "0", "--speed", "9600"}),
          Args({"--capture", "x", "--port", "10", "--speed", "9600"}),
          Args({"--capture", "x", "--port", "1x", "--speed", "9600"}),
          Args({"--capture", "x", "--port", "1", "--speed", "-1"}),
          Args({"--capture", "x", "--port", "1", "--speed", "9600", "--count", "0"}),
          Args({"--capture", "x", "--port", "1", "--speed", "9600", "--seconds", "soon"}),
          Args({"--capture", "x", "--port", "1", "--speed", "9600", "--free-space-limit",
                "4294967296"}),
          Args({"--capture", "x", "--live", "y", "--port", "1", "--speed", "9600"}),
          Args({"--live", "y", "--port", "1", "--speed", "9600", "--delete-corrupted"}),
          Args({"--capture", "x", "--port", "1", "--speed", "9600", "--bogus"}),
          Args({"--capture"}), Args({"--capture", "", "--port", "1", "--speed", "9600"}),
          Args({"--map-port", "x", "/dev/ttyUSB0"}), Args({"--map-port", "2", "/dev/ttyUSB0", "x"}),
          Args({"--map-port", "2", ""})}) {
        EXPECT_NE(ParseHeadlessOptions(args).error, "") << args.size() << " " << args.back();
    }
}

TEST(HeadlessOptions, HelpAndVersionWinAndNoOptionsMeansTheDialog) {
    EXPECT_EQ(ParseHeadlessOptions(Args({"--port", "1", "--help"})).options.mode, Mode::Help);
    EXPECT_EQ(ParseHeadlessOptions(Args({"--version"})).options.mode, Mode::Version);
    EXPECT_EQ(ParseHeadlessOptions({}).options.mode, Mode::Dialog);
    EXPECT_TRUE(WantsHeadless(Args({"--live", "x"})));
    EXPECT_TRUE(WantsHeadless(Args({"-Embedding", "--version"})));
    EXPECT_FALSE(WantsHeadless(Args({"/Automation"})));
}

TEST(StatusReporter, BarFollowsTheProgressText) {
    using headless::StatusReporter;
    EXPECT_EQ(StatusReporter::ProgressBar("Pic 640x480, 50 of 100 bytes read", 10), "[#####     ]");
    EXPECT_EQ(StatusReporter::ProgressBar("Pic 640x480, 100 of 100 bytes read", 4), "[####]");
    EXPECT_EQ(StatusReporter::ProgressBar("Pic 1x1, 0 of 0 bytes read", 4), "");
    EXPECT_EQ(StatusReporter::ProgressBar("Waiting for valid header...", 4), "");
}

TEST(StatusReporter, OneLinePerChangeWhenNotATerminal) {
    char* text = nullptr;
    std::size_t size = 0;
    std::FILE* stream = open_memstream(&text, &size);
    ASSERT_NE(stream, nullptr);
    {
        headless::StatusReporter reporter(stream, false);
        reporter.Show("Waiting for valid header...");
        reporter.Show("Waiting for valid header...");
        reporter.Show("Pic 1x1, 0 of 1 bytes read");
        reporter.Finish();
    }
    std::fclose(stream);
    EXPECT_EQ(std::string(text, size), "Waiting for valid header...\nPic 1x1, 0 of 1 bytes read\n");
    std::free(text);
}
