#include "ScriptedWorkers.h"

#include "platform/FileBytes.h"
#include "transfer/WorkerContext.h"
#include "transfer/WorkerRun.h"

#include <algorithm>
#include <chrono>
#include <memory>
#include <mutex>
#include <thread>

namespace uitest::scripted {

namespace {

std::atomic<bool> released{false};
std::atomic<bool> connectSucceeds{true};
std::atomic<bool> pictureWanted{false};
std::atomic<int> stopDelayMs{0};
std::atomic<int> starts{0};
std::atomic<int> running{0};
std::atomic<int> mostRunning{0};
std::mutex lastStartLock;
WorkerStart lastStart;

void Record(int procedure, const WorkerRun& run) {
    const WorkerContext& context = run.context;
    WorkerStart start;
    start.procedure = procedure;
    start.port = context.port;
    start.speed = context.speed;
    start.stopRequested = run.StopRequested();
    start.freeSpaceLimit = context.freeSpaceLimit;
    start.checkFreeSpace = context.checkFreeSpace;
    start.deleteCorrupted = context.deleteCorrupted;
    start.captureBasePath = context.CaptureBasePath();
    start.displayFileName = context.DisplayFileName();
    std::lock_guard lock(lastStartLock);
    lastStart = start;
    ++starts;
    const int now = ++running;
    int most = mostRunning.load();
    while (now > most && !mostRunning.compare_exchange_weak(most, now)) {
    }
}

// Runs until stopped or, when the release counts, released; true when
// released.
bool Hold(const WorkerRun& run, bool picturesToo, bool releaseCounts) {
    while (!run.StopRequested()) {
        if (releaseCounts && released) {
            return true;
        }
        if (picturesToo && pictureWanted.exchange(false)) {
            // As the live worker tells of a picture it has put in the
            // display file: with the picture's bytes.
            transfer::PictureStored picture;
            picture.file = run.context.DisplayFileName();
            auto stored = std::make_shared<transfer::Picture>();
            stored->bytes = platform::ReadFileBytes(picture.file, platform::kLargestPictureFile)
                                .value_or(std::vector<std::uint8_t>{});
            picture.picture = std::move(stored);
            run.Tell(picture);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(stopDelayMs.load()));
    return false;
}

void End(const WorkerRun& run, transfer::EndCause why) {
    --running;
    run.Tell(transfer::Ended{why, {}});
}

void Connect(const WorkerRun& run) {
    Record(1, run);
    const bool released = Hold(run, false, true);
    if (released && connectSucceeds) {
        run.Tell(transfer::Connected{run.context.speed});
    }
    End(run, released ? transfer::EndCause::Done : transfer::EndCause::Stopped);
}

void Disconnect(const WorkerRun& run) {
    Record(2, run);
    Hold(run, false, true);
    run.Tell(transfer::Disconnected{});
    End(run, transfer::EndCause::Done);
}

void Live(const WorkerRun& run) {
    Record(3, run);
    Hold(run, true, false);
    End(run, transfer::EndCause::Stopped);
}

void Capture(const WorkerRun& run) {
    Record(4, run);
    Hold(run, true, false);
    End(run, transfer::EndCause::Stopped);
}

} // namespace

WorkerProcedures Procedures() {
    return WorkerProcedures{
        .connect = Connect, .disconnect = Disconnect, .live = Live, .continuousCapture = Capture};
}

void Reset() {
    released = false;
    connectSucceeds = true;
    pictureWanted = false;
    stopDelayMs = 0;
    starts = 0;
    mostRunning = running.load();
    std::lock_guard lock(lastStartLock);
    lastStart = WorkerStart{};
}

void Release() {
    released = true;
}

void SetConnectSucceeds(bool succeeds) {
    connectSucceeds = succeeds;
}

void SetStopDelay(int milliseconds) {
    stopDelayMs = milliseconds;
}

void AnnouncePicture() {
    pictureWanted = true;
}

int StartCount() {
    return starts;
}

int RunningCount() {
    return running;
}

int MostRunningAtOnce() {
    return mostRunning;
}

WorkerStart LastStart() {
    std::lock_guard lock(lastStartLock);
    return lastStart;
}

} // namespace uitest::scripted
