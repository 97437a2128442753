#include "ui/headless/HeadlessOptions.h"
#include "ui/headless/RunSummary.h"
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
         {Args({"--capture", "x", "--port", "1"}),
          Args({"--capture", "x", "--speed", "9600"}),
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
          Args({"--capture"}),
          Args({"--capture", "", "--port", "1", "--speed", "9600"}),
          Args({"--map-port", "x", "/dev/ttyUSB0"}),
          Args({"--map-port", "2", "/dev/ttyUSB0", "x"}),
          Args({"--map-port", "2", ""}),
          Args({"--capture", "x", "--port", "1", "--device", "/dev/ttyUSB0", "--speed", "9600"}),
          Args({"--capture", "x", "--device", "", "--speed", "9600"}),
          Args({"--capture", "x", "--port", "1", "--speed", "9600", "--bogus", "1"})}) {
        EXPECT_NE(ParseHeadlessOptions(args).error, "") << args.size() << " " << args.back();
    }
}

TEST(HeadlessOptions, ADevicePathStandsInForThePort) {
    const auto result = ParseHeadlessOptions(
        Args({"--capture", "/data/shot.jpg", "--device", "/dev/serial/by-id/usb-cam", "--speed",
              "115200", "--quiet", "--no-reconnect"}));
    ASSERT_EQ(result.error, "");
    EXPECT_EQ(result.options.device, "/dev/serial/by-id/usb-cam");
    EXPECT_EQ(result.options.port, 0);
    EXPECT_TRUE(result.options.quiet);
    EXPECT_FALSE(result.options.reconnect);
    EXPECT_TRUE(headless::TakesValue("--device")) << "the dialog skips its value too";
}

TEST(HeadlessOptions, HelpAndVersionWinAndNoOptionsMeansTheDialog) {
    EXPECT_EQ(ParseHeadlessOptions(Args({"--port", "1", "--help"})).options.mode, Mode::Help);
    EXPECT_EQ(ParseHeadlessOptions(Args({"--version"})).options.mode, Mode::Version);
    EXPECT_EQ(ParseHeadlessOptions({}).options.mode, Mode::Dialog);
    EXPECT_TRUE(WantsHeadless(Args({"--live", "x"})));
    EXPECT_TRUE(WantsHeadless(Args({"-Embedding", "--version"})));
    EXPECT_FALSE(WantsHeadless(Args({"/Automation"})));
}

TEST(StatusReporter, BarFollowsTheBytesOfThePicture) {
    using headless::StatusReporter;
    EXPECT_EQ(StatusReporter::ProgressBar(50, 100, 10), "[#####     ]");
    EXPECT_EQ(StatusReporter::ProgressBar(100, 100, 4), "[####]");
    EXPECT_EQ(StatusReporter::ProgressBar(4000000000u, 4294967295u, 4), "[### ]");
    EXPECT_EQ(StatusReporter::ProgressBar(0, 0, 4), "") << "no picture in transfer";
}

TEST(StatusReporter, OffATerminalOneLinePerStateAndNoneForProgressWithinAPicture) {
    char* text = nullptr;
    std::size_t size = 0;
    std::FILE* stream = open_memstream(&text, &size);
    ASSERT_NE(stream, nullptr);
    {
        headless::StatusReporter reporter(stream, false);
        reporter.Show("Waiting for valid header...", 0, 0);
        reporter.Show("Waiting for valid header...", 0, 0);
        reporter.Show("Pic 1x1, 0 of 300 bytes read", 0, 300);
        reporter.Show("Pic 1x1, 100 of 300 bytes read", 100, 300);
        reporter.PictureFailed(1);
        reporter.Show("Line lost", 0, 0);
        reporter.Finish();
    }
    std::fclose(stream);
    EXPECT_EQ(std::string(text, size),
              "Waiting for valid header...\na picture transfer failed (1 so far)\nLine lost\n");
    std::free(text);
}

TEST(RunSummary, CountsBytesTimeAndTheShareOfTheLineThatCarriedPictures) {
    headless::RunFigures figures;
    figures.goodPictures = 12;
    figures.failedPictures = 1;
    figures.goodPictureBytes = 1449984;
    figures.elapsedSeconds = 63.24;
    figures.payloadBytes = 9216; // 9216 bytes at 921600 bit/s take 0.1 s
    figures.transferSeconds = 0.125;
    figures.speed = 921600;
    EXPECT_DOUBLE_EQ(headless::LineEfficiencyPercent(figures), 80.0);
    EXPECT_EQ(headless::SummaryLine(figures),
              "pictures: 12 good, 1 failed; 1449984 bytes in 63.2 s; line efficiency 80.0 %");

    figures.transferSeconds = 0; // no transfer began
    EXPECT_LT(headless::LineEfficiencyPercent(figures), 0);
    EXPECT_EQ(headless::SummaryLine(figures),
              "pictures: 12 good, 1 failed; 1449984 bytes in 63.2 s; line efficiency -");
}

TEST(RunSummary, EachEndOfTheWorkerHasItsExitStatus) {
    const std::pair<WorkerEnd, int> ends[] = {
        {WorkerEnd::Stopped, 0},    {WorkerEnd::FreeSpaceLimit, 0}, {WorkerEnd::PathRefused, 1},
        {WorkerEnd::PortFailed, 2}, {WorkerEnd::LineLost, 2},       {WorkerEnd::Running, 0},
    };
    for (const auto& [end, status] : ends) {
        SCOPED_TRACE(static_cast<int>(end));
        EXPECT_EQ(headless::ExitStatusFor(end), status);
    }
}
