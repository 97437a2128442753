#include "TransferFixture.h"

#include "tests/support/WaitUntil.h"
#include "transfer/CaptureNaming.h"
#include "transfer/ConnectSemaphore.h"
#include "transfer/PictureRetention.h"
#include "transfer/StatusTexts.h"
#include "transfer/WorkerThread.h"
#include "transfer/Workers.h"

#include <chrono>
#include <filesystem>
#include <mutex>
#include <optional>
#include <set>
#include <thread>

using namespace transfertest;
using testsupport::FileExists;
using testsupport::FilesIn;
using testsupport::ReadFile;
using testsupport::RunRecorder;
using testsupport::WaitUntil;
using testsupport::WriteFile;
using transfer::EndCause;
using transfer::RunKind;

namespace {

// What the operator reads of a run: the status line as the dialog keeps it
// from the events; and every event, for the test to wait for.
class StatusAndRecord final : public transfer::RunListener {
public:
    StatusAndRecord(const WorkerContext& context, RunRecorder& events)
        : context(context), events(events) {}
    // The kind and the settings of the next run.
    void Use(RunKind kind) {
        std::lock_guard guard(lock);
        this->kind = kind;
        settings = context;
    }
    void OnRunEvent(const transfer::RunEvent& event) override {
        {
            std::lock_guard guard(lock);
            if (const auto line = transfer::StatusLineFor(event, kind, settings)) {
                status = *line;
            }
        }
        events.OnRunEvent(event);
    }
    std::string Status() const {
        std::lock_guard guard(lock);
        return status;
    }
    void SetStatus(const std::string& text) {
        std::lock_guard guard(lock);
        status = text;
    }

private:
    const WorkerContext& context;
    RunRecorder& events;
    mutable std::mutex lock;
    RunKind kind = RunKind::Connect;
    WorkerContext settings;
    std::string status;
};

class WorkersTest : public ::testing::Test {
protected:
    void SetUp() override {
        context.port = 1;
        context.speed = 115200;
        context.SetDisplayFileName(dir / "temp.jpg");
    }
    void TearDown() override {
        worker.RequestStop();
        worker.Join();
    }

    // Runs a worker here, to its end.
    void Call(WorkerThread::Procedure procedure, RunKind kind) {
        events.Clear();
        listener.Use(kind);
        procedure(WorkerRun{context, {}, listener});
    }
    // Starts a worker on its thread and waits until it listens for a picture
    // (or has ended).
    void Start(WorkerThread::Procedure procedure, RunKind kind) {
        events.Clear();
        listener.Use(kind);
        ASSERT_TRUE(worker.Start(procedure, context, listener));
        ASSERT_TRUE(WaitUntil(
            [&] { return events.Count<transfer::WaitingForHeader>() > 0 || HasEnded(); }));
    }
    // Whether the run has told its end.
    bool HasEnded() const { return events.Count<transfer::Ended>() > 0; }
    // Waits for the end of the run and its thread.
    bool WaitForEnd(std::chrono::milliseconds limit = std::chrono::seconds(20)) {
        if (!events.WaitFor<transfer::Ended>(1, limit)) {
            return false;
        }
        worker.Join();
        return true;
    }
    void StopAndWait() {
        worker.RequestStop();
        ASSERT_TRUE(WaitForEnd());
    }
    // Starts a picture worker, lets the camera send the pictures once the
    // worker listens, then stops the worker (unless it ended by itself) and
    // waits for it.
    std::vector<camsim::SendResult> Run(WorkerThread::Procedure procedure, RunKind kind,
                                        const std::vector<camsim::OutgoingPicture>& pictures,
                                        camsim::CameraOptions options = Unpaced()) {
        Start(procedure, kind);
        camsim::Camera camera(line.Master(), options);
        std::vector<camsim::SendResult> results;
        for (const auto& picture : pictures) {
            results.push_back(camera.Send(picture));
        }
        // The last picture is dealt with once the worker waits for the next.
        WaitUntil([&] { return events.LastIs<transfer::WaitingForHeader>() || HasEnded(); });
        StopAndWait();
        return results;
    }
    std::vector<std::uint64_t> StoredNumbers() const {
        std::vector<std::uint64_t> numbers;
        for (const auto& picture : events.All<transfer::PictureStored>()) {
            numbers.push_back(picture.number);
        }
        return numbers;
    }
    EndCause EndedWith() const {
        const auto ended = events.Last<transfer::Ended>();
        return ended ? ended->why : EndCause::Done;
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
    RunRecorder events;
    StatusAndRecord listener{context, events};
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
    const struct {
        const char* name;
        WorkerThread::Procedure procedure;
        RunKind kind;
        std::string status;
    } workers[] = {
        {"connect", ConnectWorker, RunKind::Connect, why},
        {"live", LiveWorker, RunKind::Live, why},
        {"capture", ContinuousCaptureWorker, RunKind::Capture, "Error open Com3! " + why}};
    for (const auto& run : workers) {
        SCOPED_TRACE(run.name);
        listener.SetStatus("earlier text");
        Call(run.procedure, run.kind);
        EXPECT_EQ(events.Count<transfer::Connected>(), 0u);
        EXPECT_EQ(listener.Status(), run.status);
        ASSERT_EQ(events.Events().size(), 1u) << "nothing but the end";
        EXPECT_EQ(EndedWith(), EndCause::PortFailed);
        EXPECT_EQ(events.Last<transfer::Ended>()->reason, why) << "the reason alone, as a value";
    }
}

TEST_F(WorkersTest, ConnectMarksTheLinkAndClosesThePortWithoutSending) {
    context.speed = 57600;
    Call(ConnectWorker, RunKind::Connect);
    EXPECT_EQ(listener.Status(), "");
    EXPECT_EQ(events.Last<transfer::Connected>()->speed, 57600);
    EXPECT_EQ(EndedWith(), EndCause::Done);
    EXPECT_TRUE(line.Receive(1, std::chrono::milliseconds(100)).empty());
    SerialPort again;
    EXPECT_TRUE(again.Open(1, 57600, "n,8,1")) << "the port was closed again";
}

TEST_F(WorkersTest, StopWhileWaitingForTheConnectSemaphore) {
    ConnectSemaphore().acquire();
    listener.Use(RunKind::Connect);
    ASSERT_TRUE(worker.Start(ConnectWorker, context, listener));
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_FALSE(HasEnded()) << "it waits for the semaphore";
    worker.RequestStop();
    EXPECT_TRUE(WaitForEnd(std::chrono::seconds(5)));
    ConnectSemaphore().release();
    EXPECT_EQ(events.Count<transfer::Connected>(), 0u);
    EXPECT_EQ(EndedWith(), EndCause::Stopped);
}

TEST_F(WorkersTest, DisconnectAlwaysLeavesItsText) {
    Call(DisconnectWorker, RunKind::Disconnect);
    EXPECT_EQ(events.Count<transfer::Disconnected>(), 1u);
    EXPECT_EQ(listener.Status(), kDisconnected);
    listener.SetStatus("");
    Call(DisconnectWorker, RunKind::Disconnect);
    EXPECT_EQ(listener.Status(), kDisconnected);
}

TEST_F(WorkersTest, CaptureNumbersEveryAttempt) {
    context.SetCaptureBasePath(dir / "shot.jpg");
    const auto first = Picture(3000);
    const auto third = Picture(2000);
    Run(ContinuousCaptureWorker, RunKind::Capture, {first, BadHeader(100), third}, QuickGiveUp());
    EXPECT_TRUE(FileHolds(dir / "shot00000000.jpg", first.data));
    EXPECT_FALSE(FileExists(dir / "shot00000001.jpg")) << "the failed attempt used number 1";
    EXPECT_TRUE(FileHolds(dir / "shot00000002.jpg", third.data));
    // Written once: the newest picture travels in its event to whoever
    // shows it, and the worker makes no copy of it.
    EXPECT_FALSE(FileExists(dir / "temp.jpg"));
    EXPECT_EQ(StoredNumbers(), (std::vector<std::uint64_t>{0, 2}));
    EXPECT_EQ(events.Count<transfer::PictureFailed>(), 0u) << "a bad header begins no picture";
    const auto stored = events.Last<transfer::PictureStored>();
    EXPECT_EQ(stored->file, dir / "shot00000002.jpg");
    EXPECT_EQ(stored->bytes, 2000u);
    ASSERT_NE(stored->picture, nullptr);
    EXPECT_EQ(stored->picture->bytes, third.data);
    EXPECT_EQ(stored->picture->number, 2u);
}

TEST_F(WorkersTest, CaptureWithoutExtensionAndPastEightDigits) {
    context.captureCounterStart = 99999999;
    context.SetCaptureBasePath(dir / "shot");
    const auto first = Picture(500);
    const auto second = Picture(600);
    Run(ContinuousCaptureWorker, RunKind::Capture, {first, second});
    EXPECT_TRUE(FileHolds(dir / "shot99999999", first.data));
    EXPECT_TRUE(FileHolds(dir / "shot100000000", second.data));
}

// A capture starts after the highest number of its path present, also past
// eight digits, and leaves every file there as it is: those of an earlier
// run, and those of other names, which do not move its numbers either.
TEST_F(WorkersTest, ACaptureNeverReplacesAFileOfAnEarlierRun) {
    const struct {
        const char* name;
        std::vector<const char*> earlier;
        int deleteCorrupted;
        const char* failed;
        const char* stored;
    } cases[] = {
        {"eight digits, keeping failed files' names free",
         {"shot00000000.jpg", "shot00000001.jpg", "shot0000009.jpg", "shot000000050.jpg",
          "shot00000077.jpeg", "other00000088.jpg", "shot00000066.jpg.part"},
         0,
         "shot00000002.jpg",
         "shot00000003.jpg"},
        {"with delete-corrupted",
         {"shot00000000.jpg", "shot00000001.jpg"},
         1,
         "shot00000002.jpg",
         "shot00000003.jpg"},
        {"past eight digits",
         {"shot99999998.jpg", "shot99999999.jpg"},
         1,
         "shot100000000.jpg",
         "shot100000001.jpg"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        testsupport::TempDir folder;
        context.SetCaptureBasePath(folder / "shot.jpg");
        context.deleteCorrupted = c.deleteCorrupted;
        for (const char* name : c.earlier) {
            WriteFile(folder / name, std::string("earlier ") + name);
        }
        auto cut = Picture(3000);
        cut.faults.cutShortAfter = 1000;
        const auto good = Picture(700);
        Start(ContinuousCaptureWorker, RunKind::Capture);
        camsim::Camera camera(line.Master(), Unpaced());
        camera.Send(cut);
        // The next picture once the receiver has given this one up.
        ASSERT_TRUE(events.WaitFor<transfer::PictureFailed>());
        camera.Send(good);
        ASSERT_TRUE(events.WaitFor<transfer::PictureStored>());
        StopAndWait();
        for (const char* name : c.earlier) {
            EXPECT_EQ(ReadFile(folder / name), std::string("earlier ") + name) << name;
        }
        EXPECT_FALSE(FileExists(folder / c.failed)) << "the failed attempt's own file is gone";
        EXPECT_TRUE(FileHolds(folder / c.stored, good.data));
        EXPECT_EQ(events.Count<transfer::PictureFailed>(), 1u);
        ASSERT_EQ(events.Count<transfer::PictureStored>(), 1u);
        EXPECT_EQ(events.Last<transfer::PictureStored>()->file, folder / c.stored);
    }
}

// A file of the next number that appears while the capture waits (another
// program on the same path) is stepped over, not replaced.
TEST_F(WorkersTest, AFileThatAppearsMeanwhileIsSteppedOver) {
    context.SetCaptureBasePath(dir / "shot.jpg");
    Start(ContinuousCaptureWorker, RunKind::Capture);
    WriteFile(dir / "shot00000000.jpg", "another program's");
    WriteFile(dir / "shot00000001.jpg", "another program's too");
    camsim::Camera camera(line.Master(), Unpaced());
    const auto picture = Picture(900);
    camera.Send(picture);
    ASSERT_TRUE(WaitUntil([&] { return events.Count<transfer::PictureStored>() == 1; }));
    StopAndWait();
    EXPECT_EQ(ReadFile(dir / "shot00000000.jpg"), "another program's");
    EXPECT_EQ(ReadFile(dir / "shot00000001.jpg"), "another program's too");
    EXPECT_TRUE(FileHolds(dir / "shot00000002.jpg", picture.data));
    EXPECT_EQ(StoredNumbers(), (std::vector<std::uint64_t>{2}));
}

TEST_F(WorkersTest, CaptureStopsWhenFreeSpaceFallsBelowTheLimit) {
    context.SetCaptureBasePath(dir / "shot.jpg");
    context.checkFreeSpace = 1;
    std::uint64_t freeBytes = 5000;
    context.freeSpace = [&](const std::string&) -> std::optional<std::uint64_t> {
        return freeBytes;
    };

    // Equal to the limit goes on.
    context.freeSpaceLimit = 5000;
    Run(ContinuousCaptureWorker, RunKind::Capture, {Picture(100), Picture(100)});
    EXPECT_EQ(events.Count<transfer::PictureStored>(), 2u);
    EXPECT_EQ(EndedWith(), EndCause::Stopped);

    // Below the limit: the worker ends by itself after the current picture.
    context.freeSpaceLimit = 5001;
    listener.SetStatus("");
    Start(ContinuousCaptureWorker, RunKind::Capture);
    camsim::Camera camera(line.Master(), Unpaced());
    const auto stored = Picture(400);
    camera.Send(stored);
    EXPECT_TRUE(WaitForEnd());
    EXPECT_EQ(EndedWith(), EndCause::FreeSpaceLimit) << "it ended without being asked";
    EXPECT_TRUE(FileHolds(dir / "shot00000002.jpg", stored.data)) << "after the run before";
    EXPECT_EQ(listener.Status(), "Pic 640x480, 256 of 400 bytes read")
        << "the free-space stop has no text of its own";

    // A limit of 0, four GiB or more free, or a failed query never stop it.
    for (const auto& [limit, space] :
         {std::pair<std::uint32_t, std::uint64_t>{0, 0},
          std::pair<std::uint32_t, std::uint64_t>{4294967295u, std::uint64_t{1} << 32}}) {
        SCOPED_TRACE("limit " + std::to_string(limit) + ", free " + std::to_string(space));
        context.freeSpaceLimit = limit;
        freeBytes = space;
        Run(ContinuousCaptureWorker, RunKind::Capture, {Picture(100), Picture(100)});
        EXPECT_EQ(events.Count<transfer::PictureStored>(), 2u);
        EXPECT_EQ(EndedWith(), EndCause::Stopped);
    }
    context.freeSpace = [](const std::string&) -> std::optional<std::uint64_t> {
        return std::nullopt;
    };
    context.freeSpaceLimit = 4294967295u;
    Run(ContinuousCaptureWorker, RunKind::Capture, {Picture(100), Picture(100)});
    EXPECT_EQ(events.Count<transfer::PictureStored>(), 2u);
    EXPECT_EQ(EndedWith(), EndCause::Stopped);
}

// With retention, the free-space limit deletes the oldest pictures of the
// path instead of ending the run; the run ends only once nothing but the
// newest is left and the limit is still not met. The disk here holds the
// pictures the retention keeps and one file of another name.
TEST_F(WorkersTest, AtTheFreeSpaceLimitRetentionMakesRoomAndTheRunGoesOn) {
    testsupport::TempDir pictures;
    const std::string basePath = pictures / "shot.jpg";
    for (std::uint64_t number = 0; number < 10; ++number) {
        WriteFile(transfer::NumberedPath(basePath, number), std::string(1000, 'e'));
    }
    WriteFile(pictures / "other.bin", std::string(500, 'o'));
    std::atomic<std::uint64_t> capacity{13000};
    std::atomic<const transfer::PictureRetention*> disk{nullptr};
    transfer::RetentionSettings settings;
    settings.basePath = basePath;
    settings.rules.freeSpaceLimit = 2000;
    settings.freeSpace = [&](const std::string&) -> std::optional<std::uint64_t> {
        const std::uint64_t used = disk.load()->Figures().keptBytes + 500;
        return capacity > used ? capacity - used : 0;
    };
    transfer::PictureRetention retention(std::move(settings));
    disk = &retention;
    retention.Start();
    context.SetCaptureBasePath(basePath);
    context.checkFreeSpace = 1;
    context.freeSpaceLimit = 2000;
    listener.Use(RunKind::Capture);
    transfer::RunListeners both{&listener, &retention};
    // The worker tells the retention until it has ended, also when the test
    // gives up early.
    const std::shared_ptr<void> endsTheWorkerFirst(nullptr, [this](void*) { StopAndWait(); });
    events.Clear();
    ASSERT_TRUE(worker.Start(ContinuousCaptureWorker, context, both, &retention));
    ASSERT_TRUE(events.WaitFor<transfer::WaitingForHeader>());
    camsim::Camera camera(line.Master(), Unpaced());

    // Each picture takes the disk below the limit; the oldest makes room.
    for (std::size_t sent = 1; sent <= 5; ++sent) {
        camera.Send(Picture(1000));
        ASSERT_TRUE(events.WaitFor<transfer::PictureStored>(sent))
            << "picture " << sent << ": " << events.Count<transfer::PictureFailed>()
            << " failed, ended " << events.Count<transfer::Ended>() << " "
            << static_cast<int>(EndedWith());
    }
    ASSERT_TRUE(WaitUntil([&] { return retention.Figures().deleted.count == 5; }));
    ASSERT_TRUE(events.WaitUntilLastIs<transfer::WaitingForHeader>());
    EXPECT_EQ(events.Count<transfer::Ended>(), 0u);
    std::set<std::string> left{"other.bin"};
    for (std::uint64_t number = 5; number < 15; ++number) {
        left.insert(transfer::NumberedPath("shot.jpg", number));
    }
    EXPECT_EQ(FilesIn(pictures.Path()), left);

    // A disk too small for even the newest picture: all the others go, and
    // the run ends at this picture or, when it was stored while room was
    // still being made, at the next.
    capacity = 2000;
    camera.Send(Picture(1000));
    ASSERT_TRUE(WaitUntil([&] { return retention.Figures().limitUnmet; }));
    if (!HasEnded()) {
        camera.Send(Picture(1000)); // not taken when the worker ends meanwhile
    }
    ASSERT_TRUE(WaitForEnd());
    EXPECT_EQ(EndedWith(), EndCause::FreeSpaceLimit);
    retention.Stop();
    const std::uint64_t newest = events.Last<transfer::PictureStored>()->number;
    EXPECT_EQ(FilesIn(pictures.Path()),
              (std::set<std::string>{"other.bin", transfer::NumberedPath("shot.jpg", newest)}))
        << "never the newest, never a file of another name";
    EXPECT_EQ(retention.Figures().deleted.count, newest) << "all the others";
}

TEST_F(WorkersTest, StopDuringACaptureTransferUsesUpItsNumber) {
    context.SetCaptureBasePath(dir / "shot.jpg");
    context.deleteCorrupted = 1;
    auto slow = Picture(3000);
    slow.faults.silence = camsim::Silence{2, 10, 250};
    Start(ContinuousCaptureWorker, RunKind::Capture);
    camsim::Camera camera(line.Master(), QuickGiveUp());
    std::thread stopper([&] {
        events.WaitFor<transfer::Progress>();
        worker.RequestStop();
    });
    camera.Send(slow);
    stopper.join();
    EXPECT_TRUE(WaitForEnd());
    EXPECT_FALSE(FileExists(dir / "shot00000000.jpg"));
    EXPECT_FALSE(FileExists(dir / "temp.jpg"));
    const auto failed = events.All<transfer::PictureFailed>();
    ASSERT_EQ(failed.size(), 1u) << "a picture cut by Stop is a failed one";
    EXPECT_EQ(failed[0].number, 0u);
    EXPECT_EQ(failed[0].why, transfer::FailureCause::Stopped);
    EXPECT_EQ(EndedWith(), EndCause::Stopped);
}

TEST_F(WorkersTest, LiveKeepsOnlyWholePicturesInTheDisplayFile) {
    Start(LiveWorker, RunKind::Live);
    camsim::Camera camera(line.Master(), QuickGiveUp());
    const auto good = Picture(4000);
    camera.Send(good);
    ASSERT_TRUE(events.WaitFor<transfer::PictureStored>());
    EXPECT_TRUE(FileHolds(dir / "temp.jpg", good.data));

    // A failed transfer leaves no display file until the next good picture.
    auto cut = Picture(4000);
    cut.faults.cutShortAfter = 1000;
    camera.Send(cut);
    ASSERT_TRUE(WaitUntil([&] { return !FileExists(dir / "temp.jpg"); }));
    const auto next = Picture(3000);
    camera.Send(next);
    ASSERT_TRUE(events.WaitFor<transfer::PictureStored>(2));
    EXPECT_TRUE(FileHolds(dir / "temp.jpg", next.data));

    // Stopping while it waits for the next picture fails that transfer, so
    // the display file goes as the worker ends, and nothing else is left.
    StopAndWait();
    EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));

    // What the run told, as numbers: the cut picture is a failure, and the
    // whole blocks among its first 1000 bytes (three of 256) count as
    // received; the wait that Stop ended is no picture at all.
    const auto stored = events.All<transfer::PictureStored>();
    ASSERT_EQ(stored.size(), 2u);
    EXPECT_EQ(stored[0].bytes + stored[1].bytes, 7000u);
    EXPECT_EQ(stored[1].number, 2u) << "live attempts are numbered too";
    EXPECT_EQ(stored[1].file, dir / "temp.jpg");
    EXPECT_GT(stored[1].figures.took.count(), 0);
    const auto failed = events.All<transfer::PictureFailed>();
    ASSERT_EQ(failed.size(), 1u);
    EXPECT_EQ(failed[0].why, transfer::FailureCause::CutShort);
    EXPECT_EQ(failed[0].figures.payloadBytes, 3u * 256);
    EXPECT_EQ(EndedWith(), EndCause::Stopped);
}

// A picture on its way is neither good nor failed yet: a display of the
// counts must not show it as a failure while it arrives.
TEST_F(WorkersTest, APictureInTransferIsToldAsProgressOnly) {
    context.SetCaptureBasePath(dir / "shot.jpg");
    Start(ContinuousCaptureWorker, RunKind::Capture);
    auto paused = Picture(3000);
    paused.faults.silence = camsim::Silence{2, 10, 300};
    camsim::Camera camera(line.Master(), Unpaced());
    std::thread sender([&] { camera.Send(paused); });
    EXPECT_TRUE(WaitUntil([&] {
        const auto progress = events.Last<transfer::Progress>();
        return progress && progress->stored > 0;
    }));
    EXPECT_EQ(events.Count<transfer::PictureStored>() + events.Count<transfer::PictureFailed>(),
              0u);
    sender.join();
    EXPECT_TRUE(events.WaitFor<transfer::PictureStored>());
    EXPECT_EQ(events.Count<transfer::PictureFailed>(), 0u);
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
    for (const auto& [procedure, kind] : {std::pair{&ContinuousCaptureWorker, RunKind::Capture},
                                          std::pair{&LiveWorker, RunKind::Live}}) {
        SCOPED_TRACE(kind == RunKind::Live ? "live" : "capture");
        Start(procedure, kind);
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
        ASSERT_TRUE(events.WaitFor<transfer::LineLost>());
        const auto lost = events.Last<transfer::LineLost>();
        EXPECT_TRUE(StartsWith(lost->reason, "COM1 (" + pulled + "): ")) << lost->reason;
        EXPECT_TRUE(lost->reopening);
        EXPECT_TRUE(StartsWith(listener.Status(), kLineLost)) << listener.Status();
        EXPECT_FALSE(HasEnded());

        line.PlugBack();
        ASSERT_TRUE(events.WaitFor<transfer::LineBack>());
        ASSERT_TRUE(events.WaitUntilLastIs<transfer::WaitingForHeader>());
        const auto next = Picture(2000);
        camsim::Camera camera(line.Master(), QuickGiveUp());
        camera.Send(next);
        if (kind == RunKind::Live) {
            EXPECT_TRUE(WaitUntil([&] { return FileHolds(dir / "temp.jpg", next.data); }));
        } else {
            EXPECT_TRUE(WaitUntil([&] { return FileHolds(dir / "shot00000002.jpg", next.data); }));
            EXPECT_TRUE(FileHolds(dir / "shot00000000.jpg", first.data));
            EXPECT_FALSE(FileExists(dir / "shot00000001.jpg")) << "the cut picture used number 1";
        }
        StopAndWait();
        EXPECT_EQ(EndedWith(), EndCause::Stopped);
    }
}

// While the line is lost: Stop ends the worker at once; without reconnecting
// the worker ends by itself and says why.
TEST_F(WorkersTest, ALostLineEndsTheWorkerOnStopOrWithoutReconnecting) {
    for (const int reconnect : {1, 0}) {
        SCOPED_TRACE(reconnect);
        context.reconnect = reconnect;
        Start(LiveWorker, RunKind::Live);
        line.Unplug();
        ASSERT_TRUE(events.WaitFor<transfer::LineLost>());
        if (reconnect == 1) {
            worker.RequestStop();
        }
        EXPECT_TRUE(WaitForEnd(std::chrono::seconds(3)));
        EXPECT_EQ(EndedWith(), reconnect == 1 ? EndCause::Stopped : EndCause::LineLost);
        if (reconnect == 0) {
            EXPECT_EQ(events.Last<transfer::Ended>()->reason,
                      events.Last<transfer::LineLost>()->reason);
        }
        line.PlugBack();
    }
}
