// A thousand pictures through the headless program: after the first few its
// memory, descriptors and threads stay as they were, and a stop signal in the
// middle of a picture ends it at once with the port free again.

#include "serial/SerialPort.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/LinkedPort.h"
#include "tests/support/PatternBytes.h"
#include "tests/support/ProcessFigures.h"
#include "tests/support/ServiceManagerSocket.h"
#include "tests/support/TempDir.h"
#include "tests/support/WaitUntil.h"
#include "tools/camsim/Camera.h"
#include "transfer/CaptureNaming.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <thread>

using namespace std::chrono_literals;
using testsupport::ChildProcess;
using testsupport::FileExists;
using testsupport::PatternBytes;
using testsupport::ReadFile;

namespace {

const std::string kProgram = ZELNOR2_PROGRAM;
constexpr int kGoodPictures = 1000;
constexpr int kEarlySample = 10;
// Room for the allocator's own ups and downs; a leak of even a few hundred
// bytes a picture exceeds it over the run.
constexpr long kRssSlackKiB = 2048;
// How long the camera waits for an answer it is owed. An answer comes at
// once, or after the receiver's three empty reads; on a loaded machine the
// receiver's process may not run for a second, and a camera that gave up
// then would fail the soak for the machine's sake, not the program's.
constexpr std::chrono::milliseconds kAnswerPatience{5000};

// Good picture i, in one of four kinds of exchange that all wait for
// acknowledgements, so that the unpaced camera never runs ahead of the
// receiver by more than the few kilobytes of one picture.
camsim::OutgoingPicture GoodPicture(int i) {
    camsim::OutgoingPicture picture;
    picture.data =
        PatternBytes(1 + static_cast<std::size_t>(i) * 7919 % 4000, static_cast<std::uint32_t>(i));
    switch (i % 4) {
    case 0:
        break;
    case 1:
        picture.encoding = camsim::Encoding::HexUpper;
        picture.blockSize = 100;
        break;
    case 2:
        picture.blockSize = 0;
        break;
    default:
        picture.encoding = camsim::Encoding::HexLower;
        picture.blockSize = 1000;
        picture.checkFlag = 0;
        break;
    }
    return picture;
}

// Now and then a damaged picture, so that the failure paths run as often.
// Each ends with the receiver's last word heard by the camera, so that the
// next picture cannot be read as its missing part.
camsim::OutgoingPicture DamagedPicture(int k, camsim::CameraOptions& options) {
    camsim::OutgoingPicture picture;
    picture.data = PatternBytes(3000, 100000u + static_cast<std::uint32_t>(k));
    switch (k % 3) {
    case 0:
        // The receiver answers its final acknowledgement after its three
        // empty reads; the camera hears it and then the line fall quiet.
        picture.faults.cutShortAfter = 1500;
        options.ackTimeout = kAnswerPatience;
        break;
    case 1:
        picture.faults.wrongHeaderSum = true;
        options.ackTimeout = 200ms;
        break;
    default:
        picture.faults.wrongCheckSends[3] = 3;
        break;
    }
    return picture;
}

} // namespace

TEST(SoakTest, AThousandPicturesThenAStopSignalInTheMiddleOfOne) {
    testsupport::ServiceManagerSocket manager;
    testsupport::LinkedPort line{1};
    testsupport::TempDir work;
    testsupport::TempDir pictures;
    const std::string base = pictures / "shot.jpg";
    // One picture beyond the thousand is left to be stopped in its middle.
    ChildProcess program({"/usr/bin/env", "-C", work.Path(), kProgram, "--capture", base, "--port",
                          "1", "--speed", "115200", "--count", std::to_string(kGoodPictures + 1),
                          "--delete-corrupted"});
    ASSERT_TRUE(manager.WaitFor(program.Pid(), "READY=1")) << program.Errors();

    camsim::CameraOptions unpaced;
    unpaced.bitsPerSecond = 0;
    unpaced.ackTimeout = kAnswerPatience;
    camsim::Camera camera(line.Master(), unpaced);
    std::vector<std::string> expectedLines;
    std::uint64_t number = 0;
    int damaged = 0;
    testsupport::ProcessFigures early;
    testsupport::ProcessFigures late;
    const auto started = std::chrono::steady_clock::now();
    for (int i = 0; i < kGoodPictures; ++i) {
        const camsim::SendResult sent = camera.Send(GoodPicture(i));
        ASSERT_EQ(sent.outcome, camsim::Outcome::Completed) << "picture " << i;
        const std::string file = transfer::NumberedPath(base, number++);
        expectedLines.push_back(file);
        const int done = i + 1;
        if (done == kEarlySample || done == kGoodPictures || done % 25 == 0) {
            // Between pictures: the picture is announced, the next not sent.
            ASSERT_TRUE(program.WaitForOutput(file + "\n", 20s)) << file;
            std::this_thread::sleep_for(50ms);
            if (done == kEarlySample) {
                early = testsupport::FiguresOf(program.Pid());
            } else if (done == kGoodPictures) {
                late = testsupport::FiguresOf(program.Pid());
            }
        }
        if (done % 100 == 50) {
            camsim::CameraOptions options = unpaced;
            const camsim::OutgoingPicture bad = DamagedPicture(damaged++, options);
            camsim::Camera faulty(line.Master(), options);
            const camsim::SendResult refused = faulty.Send(bad);
            ASSERT_NE(refused.outcome, camsim::Outcome::Completed);
            if (bad.faults.cutShortAfter) {
                ASSERT_TRUE(refused.finalAck.received) << "the receiver gave the picture up";
            }
            ++number;
        }
    }
    const double soakSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();

    // A picture at the pace of the line, stopped in its middle.
    camsim::CameraOptions paced = unpaced;
    paced.bitsPerSecond = 115200;
    camsim::Camera lastCamera(line.Master(), paced);
    camsim::OutgoingPicture last;
    last.data = PatternBytes(20000, 7);
    last.width = 4321;
    std::thread cameraThread([&] { lastCamera.Send(last); });
    // Its file is made once its header is taken: the picture is under way.
    const bool inTheMiddle = testsupport::WaitUntil(
        [&] { return FileExists(transfer::NumberedPath(base, number)); }, 20s);
    const auto signalled = std::chrono::steady_clock::now();
    program.Signal(SIGTERM);
    const int status = program.Wait(20s);
    const auto took = std::chrono::steady_clock::now() - signalled;
    lastCamera.RequestStop();
    cameraThread.join();
    const double exitMs = std::chrono::duration<double, std::milli>(took).count();

    std::printf("soak: %d pictures and %d damaged ones in %.1f s\n", kGoodPictures, damaged,
                soakSeconds);
    std::printf("  resident memory: %ld KiB at picture %d, %ld KiB at picture %d\n", early.rssKiB,
                kEarlySample, late.rssKiB, kGoodPictures);
    std::printf("  descriptors: %d and %d; threads: %d and %d\n", early.descriptors,
                late.descriptors, early.threads, late.threads);
    std::printf("  SIGTERM in the middle of a picture to exit: %.0f ms\n", exitMs);

    ASSERT_GT(early.rssKiB, 0);
    ASSERT_GT(early.descriptors, 0);
    ASSERT_GT(early.threads, 0);
    EXPECT_LE(late.rssKiB, early.rssKiB + kRssSlackKiB);
    EXPECT_EQ(late.descriptors, early.descriptors);
    EXPECT_EQ(late.threads, early.threads);

    ASSERT_TRUE(inTheMiddle) << "the last picture never got under way";
    EXPECT_EQ(status, 0) << program.Errors().substr(
        program.Errors().size() - std::min<std::size_t>(2000, program.Errors().size()));
    // Generous: the promise is a second, and machines here are shared.
    EXPECT_LT(took, 5s);
    EXPECT_EQ(program.OutputLines(), expectedLines);
    EXPECT_FALSE(FileExists(transfer::NumberedPath(base, number)))
        << "the stopped picture leaves no file";
    for (int i = 0; i < kGoodPictures; i += 1) {
        const auto data = GoodPicture(i).data;
        ASSERT_EQ(ReadFile(expectedLines[static_cast<std::size_t>(i)]),
                  std::string(data.begin(), data.end()))
            << expectedLines[static_cast<std::size_t>(i)];
    }
    SerialPort port;
    EXPECT_TRUE(port.Open(1, 115200, "n,8,1")) << "the port is free again";
}
