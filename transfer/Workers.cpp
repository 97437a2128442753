#include "Workers.h"

#include "CaptureNaming.h"
#include "ConnectSemaphore.h"
#include "FreeSpaceRule.h"
#include "PictureEvents.h"
#include "PictureTransfer.h"
#include "WorkerContext.h"
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
constexpr const char* kPathTooLong = "Error: the picture path is too long";

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
    SerialPort port;
    if (!port.Open(context->port, context->connectedSpeed, kLineFormat)) {
        return 0;
    }
    port.ClearBuffer();
    const std::string displayFile = context->DisplayFileName();
    if (displayFile.empty()) {
        context->SetStatusText(kPathTooLong);
        ClosePort(port);
        return 0;
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
        } else {
            platform::DeleteFile(incoming);
            platform::DeleteFile(displayFile);
        }
    }
    ClosePort(port);
    return 0;
}

std::uint32_t ContinuousCaptureWorker(WorkerContext* context) {
    SerialPort port;
    if (!port.Open(context->port, context->connectedSpeed, kLineFormat)) {
        char text[WorkerContext::kStatusTextSize];
        std::snprintf(text, sizeof text, "Error open Com%d!", context->port.load());
        context->SetStatusText(text);
        return 1;
    }
    port.ClearBuffer();
    std::uint64_t counter = captureCounterStart.load();
    const std::string basePath = context->CaptureBasePath();
    const std::string displayFile = context->DisplayFileName();
    if (basePath.empty()) {
        context->SetStatusText(kPathTooLong);
        ClosePort(port);
        return 1;
    }
    while (!StopRequested(*context)) {
        const std::string numbered = transfer::NumberedPath(basePath, counter);
        if (numbered.size() >= WorkerContext::kPathSize) {
            context->SetStatusText(kPathTooLong);
            break;
        }
        if (PictureTransfer(*context, port, numbered)) {
            if (platform::CopyFileReplacing(numbered, displayFile)) {
                context->newPicture = 1;
                NotifyNewPicture(numbered);
            }
        } else if (context->deleteCorrupted == 1) {
            platform::DeleteFile(numbered);
        }
        ++counter; // every attempt uses up its number
        if (context->checkFreeSpace == 1) {
            // A failed query does not stop the capture; the next picture asks again.
            const auto freeBytes = transfer::QueryFreeSpace(basePath);
            if (freeBytes && transfer::FreeSpaceBelowLimit(*freeBytes, context->freeSpaceLimit)) {
                break;
            }
        }
    }
    ClosePort(port);
    return 1;
}
