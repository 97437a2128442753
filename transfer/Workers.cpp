#include "Workers.h"

#include "CaptureNaming.h"
#include "ConnectSemaphore.h"
#include "FreeSpaceRule.h"
#include "LineRecovery.h"
#include "PictureTransfer.h"
#include "WorkerContext.h"
#include "WorkerEvents.h"
#include "WorkerPort.h"
#include "WorkerTesting.h"
#include "language/LanguageText.h"
#include "platform/File.h"
#include "serial/SerialPort.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>

namespace {

std::string PathTooLong() {
    return LanguageText::TextOr("STRING_IDS_PATH_TOO_LONG", "Error: the picture path is too long");
}

std::atomic<std::uint64_t> captureCounterStart{0};

bool StopRequested(const WorkerContext& context) {
    return context.stopRequest.load() != 0;
}

// Both picture workers end with the buffer emptied and the port closed; the
// port object goes with the worker.
void ClosePort(SerialPort& port) {
    port.ClearBuffer();
    port.Close();
}

// After a failed transfer: whether the worker goes on. A lost line is opened
// again first (or ends the worker when the context asks for no reconnecting).
bool GoesOnAfterFailure(WorkerContext& context, SerialPort& port) {
    return !port.IsLineLost() || ReopenLostLine(context, port);
}

// A picture worker starts with nothing achieved and no reason to end.
void BeginRun(WorkerContext& context) {
    context.workerEnd = WorkerEnd::Running;
    context.SetEndReason({});
    context.totals.Reset();
}

// Counts the picture the last transfer delivered.
void CountGoodPicture(WorkerContext& context) {
    context.totals.goodPictureBytes += context.progress.bytesExpected.load();
    ++context.totals.goodPictures;
}

// Counts the last transfer as failed when it had begun (got past a valid
// header) since begunBefore was read; a wait for a header that Stop or a
// lost line ended is no picture.
void CountFailedPicture(WorkerContext& context, std::uint64_t begunBefore) {
    if (context.totals.picturesBegun.load() != begunBefore) {
        ++context.totals.failedPictures;
    }
}

// Why a picture worker ended, for whoever started it, and its exit code.
std::uint32_t End(WorkerContext& context, WorkerEnd why, std::uint32_t exitCode) {
    if (why == WorkerEnd::Stopped && context.workerEnd.load() != WorkerEnd::Running) {
        return exitCode; // a more precise reason was given already
    }
    context.workerEnd = why;
    return exitCode;
}

// Says why the worker's port did not open, and ends the worker for it.
std::uint32_t PortFailed(WorkerContext& context, const SerialPort& port, std::uint32_t exitCode) {
    context.SetEndReason(port.LastOpenError());
    return End(context, WorkerEnd::PortFailed, exitCode);
}

// A picture path that does not fit: no file is written under a cut name.
std::uint32_t PathRefused(WorkerContext& context, std::uint32_t exitCode) {
    const std::string text = PathTooLong();
    context.SetStatusText(text);
    context.SetEndReason(text);
    return End(context, WorkerEnd::PathRefused, exitCode);
}

} // namespace

void SetCaptureCounterStartForTesting(std::uint64_t start) {
    captureCounterStart.store(start);
}

std::uint32_t ConnectWorker(WorkerContext* context) {
    SerialPort port;
    while (!ConnectSemaphore().try_acquire_for(std::chrono::milliseconds(1))) {
        if (StopRequested(*context)) {
            return 0;
        }
    }
    if (OpenWorkerPort(*context, port, context->speed)) {
        port.ClearBuffer();
        context->connected = 1;
        context->connectedSpeed = context->speed.load();
    } else {
        context->SetStatusText(port.LastOpenError());
        context->SetEndReason(port.LastOpenError());
    }
    port.Close();
    ConnectSemaphore().release();
    return 0;
}

std::uint32_t DisconnectWorker(WorkerContext* context) {
    context->connected = 0;
    context->connectedSpeed = 0;
    context->SetStatusText(LanguageText::Text("STRING_IDS_DISCONNECTED"));
    return 0;
}

std::uint32_t LiveWorker(WorkerContext* context) {
    BeginRun(*context);
    SerialPort port;
    if (!OpenWorkerPort(*context, port, context->connectedSpeed)) {
        context->SetStatusText(port.LastOpenError());
        return PortFailed(*context, port, 0);
    }
    port.ClearBuffer();
    const std::string displayFile = context->DisplayFileName();
    if (displayFile.empty()) {
        ClosePort(port);
        return PathRefused(*context, 0);
    }
    while (!StopRequested(*context)) {
        // Each picture arrives under a name of its own and replaces the display
        // file only when it is whole, so that a reader of the display file
        // never sees half a picture.
        std::string incoming = platform::CreateTemporaryBeside(displayFile);
        if (incoming.empty()) {
            incoming = displayFile + ".incoming";
        }
        const std::uint64_t begun = context->totals.picturesBegun;
        if (PictureTransfer(*context, port, incoming) &&
            platform::ReplaceFile(incoming, displayFile)) {
            CountGoodPicture(*context);
            context->newPicture = 1;
            NotifyNewPicture(displayFile);
            continue;
        }
        CountFailedPicture(*context, begun);
        platform::DeleteFile(incoming);
        platform::DeleteFile(displayFile);
        if (!GoesOnAfterFailure(*context, port)) {
            break;
        }
    }
    ClosePort(port);
    return End(*context, WorkerEnd::Stopped, 0);
}

std::uint32_t ContinuousCaptureWorker(WorkerContext* context) {
    BeginRun(*context);
    SerialPort port;
    if (!OpenWorkerPort(*context, port, context->connectedSpeed)) {
        char text[WorkerContext::kStatusTextSize];
        std::snprintf(text, sizeof text, "Error open Com%d! %s", context->port.load(),
                      port.LastOpenError().c_str());
        // A device named by its path has no COM number to show.
        context->SetStatusText(context->DevicePath().empty() ? text : port.LastOpenError());
        return PortFailed(*context, port, 1);
    }
    port.ClearBuffer();
    std::uint64_t counter = captureCounterStart.load();
    const std::string basePath = context->CaptureBasePath();
    const std::string displayFile = context->DisplayFileName();
    if (basePath.empty()) {
        ClosePort(port);
        return PathRefused(*context, 1);
    }
    while (!StopRequested(*context)) {
        const std::string numbered = transfer::NumberedPath(basePath, counter);
        if (numbered.size() >= WorkerContext::kPathSize) {
            PathRefused(*context, 1);
            break;
        }
        bool goesOn = true;
        const std::uint64_t begun = context->totals.picturesBegun;
        if (PictureTransfer(*context, port, numbered)) {
            CountGoodPicture(*context);
            if (platform::CopyFileReplacing(numbered, displayFile)) {
                context->newPicture = 1;
            }
            // The picture is stored whatever became of its copy for the
            // window (a current folder nobody may write, a full cache).
            NotifyNewPicture(numbered);
        } else {
            CountFailedPicture(*context, begun);
            if (context->deleteCorrupted == 1) {
                platform::DeleteFile(numbered);
            }
            goesOn = GoesOnAfterFailure(*context, port);
        }
        ++counter; // every attempt uses up its number
        if (!goesOn) {
            break;
        }
        if (context->checkFreeSpace == 1) {
            // A failed query does not stop the capture; the next picture asks again.
            const auto freeBytes = transfer::QueryFreeSpace(basePath);
            if (freeBytes && transfer::FreeSpaceBelowLimit(*freeBytes, context->freeSpaceLimit)) {
                End(*context, WorkerEnd::FreeSpaceLimit, 1);
                break;
            }
        }
    }
    ClosePort(port);
    return End(*context, WorkerEnd::Stopped, 1);
}
