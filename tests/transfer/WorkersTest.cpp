#include "TransferFixture.h"

#include "tests/support/WaitUntil.h"
#include "transfer/ConnectSemaphore.h"
#include "transfer/FreeSpaceRule.h"
#include "transfer/WorkerTesting.h"
#include "transfer/WorkerThread.h"
#include "transfer/Workers.h"

#include <chrono>
#include <filesystem>
#include <thread>

using namespace transfertest;
using testsupport::FileExists;
using testsupport::ReadFile;
using testsupport::WaitUntil;
using testsupport::WriteFile;

namespace {

class WorkersTest : public ::testing::Test {
protected:
    void SetUp() override {
        context.port = 1;
        context.speed = 115200;
        context.connectedSpeed = 115200;
        context.SetDisplayFileName(dir / "temp.jpg");
    }
    void TearDown() override {
        context.stopRequest = 1;
        worker.Join();
        transfer::SetFreeSpaceQueryForTesting({});
        SetCaptureCounterStartForTesting(0);
    }

    // Starts a picture worker, lets the camera send the pictures once the
    // worker listens, then stops the worker (unless it ended by itself) and
    // waits for it.
    std::vector<camsim::SendResult> Run(WorkerThread::Procedure procedure,
                                        const std::vector<camsim::OutgoingPicture>& pictures,
                                        camsim::CameraOptions options = Unpaced()) {
        context.stopRequest = 0;
        context.SetStatusText("");
        EXPECT_TRUE(worker.Start(procedure, &context));
        EXPECT_TRUE(WaitUntil([&] {
            return context.StatusText() == "Waiting for valid header..." || !worker.IsRunning();
        }));
        camsim::Camera camera(line.Master(), options);
        std::vector<camsim::SendResult> results;
        for (const auto& picture : pictures) {
            results.push_back(camera.Send(picture));
        }
        // The last picture is stored once the worker waits for the next one.
        WaitUntil([&] {
            return context.StatusText() == "Waiting for valid header..." || !worker.IsRunning();
        });
        context.stopRequest = 1;
        EXPECT_TRUE(WaitUntil([&] { return !worker.IsRunning(); }));
        return results;
    }

    static camsim::OutgoingPicture Picture(std::size_t size) {
        camsim::OutgoingPicture picture;
        picture.data = PatternBytes(size, static_cast<std::uint32_t>(size));
        return picture;
    }
    static camsim::OutgoingPicture BadHeader(std::size_t size) {
        camsim::OutgoingPicture picture = Picture(size);
        picture.faults.wrongHeaderSum = true;
        return picture;
    }
    static camsim::CameraOptions QuickGiveUp() {
        camsim::CameraOptions options = Unpaced();
        options.ackTimeout = std::chrono::milliseconds(200);
        return options;
    }

    TestLanguage language;
    testsupport::LinkedPort line{1};
    testsupport::TempDir dir;
    WorkerContext context;
    WorkerThread worker;
};

} // namespace

// Each worker whose port does not open says which port, which device and why,
// and the link stays as it was.
TEST_F(WorkersTest, APortThatDoesNotOpenIsExplained) {
    line.LinkAlso(3, dir / "no-such-device");
    context.port = 3;
    context.SetCaptureBasePath(dir / "shot.jpg");
    const std::string why = "COM3 (" + (dir / "no-such-device") + "): No such file or directory";
    const std::pair<const char*, WorkerThread::Procedure> workers[] = {
        {"connect", ConnectWorker}, {"live", LiveWorker}, {"capture", ContinuousCaptureWorker}};
    for (const auto& [name, procedure] : workers) {
        SCOPED_TRACE(name);
        context.SetStatusText("earlier text");
        procedure(&context);
        EXPECT_EQ(context.connected, 0);
        const std::string status = context.StatusText();
        EXPECT_NE(status.find(why), std::string::npos) << status;
        if (procedure == ContinuousCaptureWorker) {
            EXPECT_EQ(status.rfind("Error open Com3! ", 0), 0u) << status;
        }
        EXPECT_EQ(context.EndReason(), why) << "the reason alone, for whoever started it";
        if (procedure != ConnectWorker) {
            EXPECT_EQ(context.workerEnd, WorkerEnd::PortFailed);
        }
    }
}

TEST_F(WorkersTest, ConnectMarksTheLinkAndClosesThePortWithoutSending) {
    context.connectedSpeed = 0;
    context.speed = 57600;
    ConnectWorker(&context);
    EXPECT_EQ(context.connected, 1);
    EXPECT_EQ(context.connectedSpeed, 57600);
    EXPECT_EQ(context.StatusText(), "");
    EXPECT_TRUE(line.Receive(1, std::chrono::milliseconds(100)).empty());
    SerialPort again;
    EXPECT_TRUE(again.Open(1, 57600, "n,8,1")) << "the port was closed again";
}

TEST_F(WorkersTest, StopWhileWaitingForTheConnectSemaphore) {
    ConnectSemaphore().acquire();
    context.stopRequest = 0;
    ASSERT_TRUE(worker.Start(ConnectWorker, &context));
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_TRUE(worker.IsRunning()) << "it waits for the semaphore";
    context.stopRequest = 1;
    EXPECT_TRUE(WaitUntil([&] { return !worker.IsRunning(); }, std::chrono::seconds(5)));
    ConnectSemaphore().release();
    EXPECT_EQ(context.connected, 0);
}

TEST_F(WorkersTest, DisconnectAlwaysLeavesItsText) {
    context.connected = 1;
    DisconnectWorker(&context);
    EXPECT_EQ(context.connected, 0);
    EXPECT_EQ(context.connectedSpeed, 0);
    EXPECT_EQ(context.StatusText(), kDisconnected);
    context.SetStatusText("");
    DisconnectWorker(&context);
    EXPECT_EQ(context.StatusText(), kDisconnected);
}

TEST_F(WorkersTest, CaptureNumbersEveryAttempt) {
    context.SetCaptureBasePath(dir / "shot.jpg");
    const auto first = Picture(3000);
    const auto third = Picture(2000);
    Run(ContinuousCaptureWorker, {first, BadHeader(100), third}, QuickGiveUp());
    EXPECT_TRUE(FileHolds(dir / "shot00000000.jpg", first.data));
    EXPECT_FALSE(FileExists(dir / "shot00000001.jpg")) << "the failed attempt used number 1";
    EXPECT_TRUE(FileHolds(dir / "shot00000002.jpg", third.data));
    EXPECT_TRUE(FileHolds(dir / "temp.jpg", third.data)) << "the newest good picture";
    EXPECT_EQ(context.newPicture, 1);
}

TEST_F(WorkersTest, CaptureWithoutExtensionAndPastEightDigits) {
    SetCaptureCounterStartForTesting(99999999);
    context.SetCaptureBasePath(dir / "shot");
    const auto first = Picture(500);
    const auto second = Picture(600);
    Run(ContinuousCaptureWorker, {first, second});
    EXPECT_TRUE(FileHolds(dir / "shot99999999", first.data));
    EXPECT_TRUE(FileHolds(dir / "shot100000000", second.data));
}

TEST_F(WorkersTest, DeleteCorruptedRemovesAnEarlierRunsFileOfAFailedNumber) {
    context.SetCaptureBasePath(dir / "shot.jpg");
    for (const int deleteCorrupted : {0, 1}) {
        SCOPED_TRACE("deleteCorrupted " + std::to_string(deleteCorrupted));
        WriteFile(dir / "shot00000000.jpg", "from an earlier run");
        WriteFile(dir / "shot00000001.jpg", "from an earlier run");
        context.deleteCorrupted = deleteCorrupted;
        const auto good = Picture(700);
        Run(ContinuousCaptureWorker, {BadHeader(100), good}, QuickGiveUp());
        // A second run starts again at 0 and replaces what it receives.
        EXPECT_TRUE(FileHolds(dir / "shot00000001.jpg", good.data));
        if (deleteCorrupted) {
            EXPECT_FALSE(FileExists(dir / "shot00000000.jpg"));
        } else {
            EXPECT_EQ(ReadFile(dir / "shot00000000.jpg"), "from an earlier run");
        }
    }
}

TEST_F(WorkersTest, CaptureStopsWhenFreeSpaceFallsBelowTheLimit) {
    context.SetCaptureBasePath(dir / "shot.jpg");
    context.checkFreeSpace = 1;
    std::uint64_t freeBytes = 5000;
    transfer::SetFreeSpaceQueryForTesting(
        [&](const std::string&) -> std::optional<std::uint64_t> { return freeBytes; });

    // Equal to the limit goes on.
    context.freeSpaceLimit = 5000;
    Run(ContinuousCaptureWorker, {Picture(100), Picture(100)});
    EXPECT_TRUE(FileExists(dir / "shot00000001.jpg"));

    // Below the limit: the worker ends by itself after the current picture.
    context.freeSpaceLimit = 5001;
    context.stopRequest = 0;
    context.SetStatusText("");
    ASSERT_TRUE(worker.Start(ContinuousCaptureWorker, &context));
    ASSERT_TRUE(WaitUntil([&] { return context.StatusText() == "Waiting for valid header..."; }));
    camsim::Camera camera(line.Master(), Unpaced());
    const auto stored = Picture(400);
    camera.Send(stored);
    EXPECT_TRUE(WaitUntil([&] { return !worker.IsRunning(); }));
    EXPECT_EQ(context.stopRequest, 0) << "it ended without being asked";
    EXPECT_TRUE(FileHolds(dir / "shot00000000.jpg", stored.data));

    // A limit of 0, four GiB or more free, or a failed query never stop it.
    for (const auto& [limit, space] :
         {std::pair<std::uint32_t, std::uint64_t>{0, 0},
          std::pair<std::uint32_t, std::uint64_t>{4294967295u, std::uint64_t{1} << 32}}) {
        SCOPED_TRACE("limit " + std::to_string(limit) + ", free " + std::to_string(space));
        context.freeSpaceLimit = limit;
        freeBytes = space;
        Run(ContinuousCaptureWorker, {Picture(100), Picture(100)});
        EXPECT_TRUE(FileExists(dir / "shot00000001.jpg"));
    }
    transfer::SetFreeSpaceQueryForTesting(
        [](const std::string&) -> std::optional<std::uint64_t> { return std::nullopt; });
    context.freeSpaceLimit = 4294967295u;
    Run(ContinuousCaptureWorker, {Picture(100), Picture(100)});
    EXPECT_TRUE(FileExists(dir / "shot00000001.jpg"));
}

TEST_F(WorkersTest, StopDuringACaptureTransferUsesUpItsNumber) {
    context.SetCaptureBasePath(dir / "shot.jpg");
    context.deleteCorrupted = 1;
    auto slow = Picture(3000);
    slow.faults.silence = camsim::Silence{2, 10, 250};
    context.stopRequest = 0;
    ASSERT_TRUE(worker.Start(ContinuousCaptureWorker, &context));
    ASSERT_TRUE(WaitUntil([&] { return context.StatusText() == "Waiting for valid header..."; }));
    camsim::Camera camera(line.Master(), QuickGiveUp());
    std::thread stopper([&] {
        WaitUntil([&] { return context.progress.bytesExpected > 0; });
        context.stopRequest = 1;
    });
    camera.Send(slow);
    stopper.join();
    EXPECT_TRUE(WaitUntil([&] { return !worker.IsRunning(); }));
    EXPECT_FALSE(FileExists(dir / "shot00000000.jpg"));
    EXPECT_FALSE(FileExists(dir / "temp.jpg"));
    EXPECT_EQ(context.totals.failedPictures, 1u) << "a picture cut by Stop is a failed one";
    EXPECT_EQ(context.workerEnd, WorkerEnd::Stopped);
}

TEST_F(WorkersTest, LiveKeepsOnlyWholePicturesInTheDisplayFile) {
    context.stopRequest = 0;
    ASSERT_TRUE(worker.Start(LiveWorker, &context));
    ASSERT_TRUE(WaitUntil([&] { return context.StatusText() == "Waiting for valid header..."; }));
    camsim::Camera camera(line.Master(), QuickGiveUp());
    const auto good = Picture(4000);
    camera.Send(good);
    ASSERT_TRUE(WaitUntil([&] { return context.newPicture == 1; }));
    EXPECT_TRUE(FileHolds(dir / "temp.jpg", good.data));

    // A failed transfer leaves no display file until the next good picture.
    context.newPicture = 0;
    auto cut = Picture(4000);
    cut.faults.cutShortAfter = 1000;
    camera.Send(cut);
    ASSERT_TRUE(WaitUntil([&] { return !FileExists(dir / "temp.jpg"); }));
    const auto next = Picture(3000);
    camera.Send(next);
    ASSERT_TRUE(WaitUntil([&] { return context.newPicture == 1; }));
    EXPECT_TRUE(FileHolds(dir / "temp.jpg", next.data));

    // Stopping while it waits for the next picture fails that transfer, so
    // the display file goes as the worker ends, and nothing else is left.
    context.stopRequest = 1;
    ASSERT_TRUE(WaitUntil([&] { return !worker.IsRunning(); }));
    EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));

    // What the run achieved, as numbers: the cut picture is a failure, and
    // the whole blocks among its first 1000 bytes (three of 256) count as
    // received.
    EXPECT_EQ(context.totals.goodPictures, 2u);
    EXPECT_EQ(context.totals.failedPictures.load(), 1u);
    EXPECT_EQ(context.totals.goodPictureBytes, 7000u);
    EXPECT_EQ(context.totals.payloadBytes, 7000u + 3 * 256);
    EXPECT_GT(context.totals.transferMicroseconds, 0u);
    EXPECT_EQ(context.progress.bytesExpected, 0u) << "no picture was in transfer at the end";
    EXPECT_EQ(context.workerEnd, WorkerEnd::Stopped);
}

// A picture on its way is neither good nor failed yet: a display of the
// counts must not show it as a failure while it arrives.
TEST_F(WorkersTest, APictureInTransferCountsAsNeitherGoodNorFailed) {
    context.SetCaptureBasePath(dir / "shot.jpg");
    context.stopRequest = 0;
    ASSERT_TRUE(worker.Start(ContinuousCaptureWorker, &context));
    ASSERT_TRUE(WaitUntil([&] { return context.StatusText() == "Waiting for valid header..."; }));
    auto paused = Picture(3000);
    paused.faults.silence = camsim::Silence{2, 10, 300};
    camsim::Camera camera(line.Master(), Unpaced());
    std::thread sender([&] { camera.Send(paused); });
    EXPECT_TRUE(WaitUntil([&] { return context.progress.bytesStored > 0; }));
    EXPECT_EQ(context.totals.picturesBegun, 1u);
    EXPECT_EQ(context.totals.goodPictures, 0u);
    EXPECT_EQ(context.totals.failedPictures, 0u);
    sender.join();
    EXPECT_TRUE(WaitUntil([&] { return context.totals.goodPictures == 1; }));
    EXPECT_EQ(context.totals.failedPictures, 0u);
}

namespace {

constexpr const char* kLineLost = "Line lost, opening the port again every half second: ";

bool StartsWith(const std::string& text, const std::string& start) {
    return text.rfind(start, 0) == 0;
}

} // namespace

// The adapter is pulled in the middle of a picture and comes back as another
// device: both picture workers say so, open the port again and go on, capture
// with the next number and live mode with the next picture.
TEST_F(WorkersTest, ALostLineIsOpenedAgainAndWorkGoesOn) {
    context.SetCaptureBasePath(dir / "shot.jpg");
    context.deleteCorrupted = 1;
    for (const auto procedure : {ContinuousCaptureWorker, LiveWorker}) {
        SCOPED_TRACE(procedure == LiveWorker ? "live" : "capture");
        context.stopRequest = 0;
        ASSERT_TRUE(worker.Start(procedure, &context));
        ASSERT_TRUE(
            WaitUntil([&] { return context.StatusText() == "Waiting for valid header..."; }));
        const auto first = Picture(3000);
        auto cut = Picture(4000);
        cut.faults.cutShortAfter = 1000;
        {
            camsim::Camera camera(line.Master(), QuickGiveUp());
            camera.Send(first);
            camera.Send(cut);
        }
        const std::string pulled = line.SlavePath();
        line.Unplug();
        ASSERT_TRUE(WaitUntil([&] { return StartsWith(context.StatusText(), kLineLost); }));
        EXPECT_TRUE(StartsWith(context.StatusText(), kLineLost + ("COM1 (" + pulled + "): ")))
            << context.StatusText();
        EXPECT_TRUE(worker.IsRunning());

        line.PlugBack();
        ASSERT_TRUE(
            WaitUntil([&] { return context.StatusText() == "Waiting for valid header..."; }));
        const auto next = Picture(2000);
        camsim::Camera camera(line.Master(), QuickGiveUp());
        camera.Send(next);
        if (procedure == LiveWorker) {
            EXPECT_TRUE(WaitUntil([&] { return FileHolds(dir / "temp.jpg", next.data); }));
        } else {
            EXPECT_TRUE(WaitUntil([&] { return FileHolds(dir / "shot00000002.jpg", next.data); }));
            EXPECT_TRUE(FileHolds(dir / "shot00000000.jpg", first.data));
            EXPECT_FALSE(FileExists(dir / "shot00000001.jpg")) << "the cut picture used number 1";
        }
        context.stopRequest = 1;
        ASSERT_TRUE(WaitUntil([&] { return !worker.IsRunning(); }));
        EXPECT_EQ(context.workerEnd, WorkerEnd::Stopped);
    }
}

// While the line is lost: Stop ends the worker at once; without reconnecting
// the worker ends by itself and says why.
TEST_F(WorkersTest, ALostLineEndsTheWorkerOnStopOrWithoutReconnecting) {
    for (const int reconnect : {1, 0}) {
        SCOPED_TRACE(reconnect);
        context.reconnect = reconnect;
        context.stopRequest = 0;
        ASSERT_TRUE(worker.Start(LiveWorker, &context));
        ASSERT_TRUE(
            WaitUntil([&] { return context.StatusText() == "Waiting for valid header..."; }));
        line.Unplug();
        ASSERT_TRUE(WaitUntil([&] { return StartsWith(context.StatusText(), kLineLost); }));
        if (reconnect == 1) {
            context.stopRequest = 1;
        }
        EXPECT_TRUE(WaitUntil([&] { return !worker.IsRunning(); }, std::chrono::seconds(3)));
        EXPECT_EQ(context.workerEnd, reconnect == 1 ? WorkerEnd::Stopped : WorkerEnd::LineLost);
        line.PlugBack();
    }
}
