#include "ScriptedWorkers.h"

#include "transfer/WorkerContext.h"

#include <algorithm>
#include <chrono>
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

void Record(int procedure, WorkerContext* context) {
    WorkerStart start;
    start.procedure = procedure;
    start.port = context->port;
    start.speed = context->speed;
    start.stopRequest = context->stopRequest;
    start.freeSpaceLimit = context->freeSpaceLimit;
    start.checkFreeSpace = context->checkFreeSpace;
    start.deleteCorrupted = context->deleteCorrupted;
    start.captureBasePath = context->CaptureBasePath();
    start.displayFileName = context->DisplayFileName();
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
bool Hold(WorkerContext* context, bool picturesToo, bool releaseCounts) {
    while (context->stopRequest == 0) {
        if (releaseCounts && released) {
            return true;
        }
        if (picturesToo && pictureWanted.exchange(false)) {
            context->newPicture = 1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(stopDelayMs.load()));
    return false;
}

std::uint32_t Connect(WorkerContext* context) {
    Record(1, context);
    if (Hold(context, false, true) && connectSucceeds) {
        context->connected = 1;
    }
    --running;
    return 0;
}

std::uint32_t Disconnect(WorkerContext* context) {
    Record(2, context);
    Hold(context, false, true);
    context->connected = 0;
    context->SetStatusText("Line hung up");
    --running;
    return 0;
}

std::uint32_t Live(WorkerContext* context) {
    Record(3, context);
    Hold(context, true, false);
    --running;
    return 0;
}

std::uint32_t Capture(WorkerContext* context) {
    Record(4, context);
    Hold(context, true, false);
    --running;
    return 1;
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
