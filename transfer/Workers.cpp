#include "Workers.h"

#include "CaptureNaming.h"
#include "ConnectSemaphore.h"
#include "FreeSpaceRule.h"
#include "LineRecovery.h"
#include "PictureTransfer.h"
#include "WorkerContext.h"
#include "WorkerEvents.h"
#include "WorkerTesting.h"
#include "language/LanguageText.h"
#include "platform/File.h"
#include "serial/SerialPort.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>

namespace {

constexpr const char* kLineFormat = "n,8,1";
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
    return !port.IsLineLost() || ReopenLostLine(context, port, kLineFormat);
}

// Why a picture worker ended, for whoever started it, and its exit code.
std::uint32_t End(WorkerContext& context, WorkerEnd why, std::uint32_t exitCode) {
    if (why == WorkerEnd::Stopped && context.workerEnd.load() != WorkerEnd::Running) {
        return exitCode; // a more precise reason was given already
    }
    context.workerEnd = why;
    return exitCode;
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
    if (port.Open(context->port, context->speed, kLineFormat)) {
        port.ClearBuffer();
        context->connected = 1;
        context->connectedSpeed = context->speed.load();
    } else {
        context->SetStatusText(port.LastOpenError());
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
    context->workerEnd = WorkerEnd::Running;
    SerialPort port;
    if (!port.Open(context->port, context->connectedSpeed, kLineFormat)) {
        context->SetStatusText(port.LastOpenError());
        return End(*context, WorkerEnd::PortFailed, 0);
    }
    port.ClearBuffer();
    const std::string displayFile = context->DisplayFileName();
    if (displayFile.empty()) {
        context->SetStatusText(PathTooLong());
        ClosePort(port);
        return End(*context, WorkerEnd::PathRefused, 0);
    }
    while (!StopRequested(*context)) {
        // Each picture arrives under a name of its own and replaces the display
        // file only when it is whole, so that a reader of the display file
        // never sees half a picture.
        std::string incoming = platform::CreateTemporaryBeside(displayFile);
        if (incoming.empty()) {
            incoming = displayFile + ".incoming";
        }
        if (PictureTransfer(*context, port, incoming) &&
            platform::ReplaceFile(incoming, displayFile)) {
            context->newPicture = 1;
            NotifyNewPicture(displayFile);
            continue;
        }
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
    context->workerEnd = WorkerEnd::Running;
    SerialPort port;
    if (!port.Open(context->port, context->connectedSpeed, kLineFormat)) {
        char text[WorkerContext::kStatusTextSize];
        std::snprintf(text, sizeof text, "Error open Com%d! %s", context->port.load(),
                      port.LastOpenError().c_str());
        context->SetStatusText(text);
        return End(*context, WorkerEnd::PortFailed, 1);
    }
    port.ClearBuffer();
    std::uint64_t counter = captureCounterStart.load();
    const std::string basePath = context->CaptureBasePath();
    const std::string displayFile = context->DisplayFileName();
    if (basePath.empty()) {
        context->SetStatusText(PathTooLong());
        ClosePort(port);
        return End(*context, WorkerEnd::PathRefused, 1);
    }
    while (!StopRequested(*context)) {
        const std::string numbered = transfer::NumberedPath(basePath, counter);
        if (numbered.size() >= WorkerContext::kPathSize) {
            context->SetStatusText(PathTooLong());
            End(*context, WorkerEnd::PathRefused, 1);
            break;
        }
        bool goesOn = true;
        if (PictureTransfer(*context, port, numbered)) {
            if (platform::CopyFileReplacing(numbered, displayFile)) {
                context->newPicture = 1;
            }
            // The picture is stored whatever became of its copy for the
            // window (a current folder nobody may write, a full cache).
            NotifyNewPicture(numbered);
        } else {
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
