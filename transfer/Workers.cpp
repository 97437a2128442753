#include "Workers.h"

#include "CaptureCounter.h"
#include "CaptureNaming.h"
#include "ConnectSemaphore.h"
#include "FreeSpaceRule.h"
#include "LineRecovery.h"
#include "PictureTransfer.h"
#include "WorkerContext.h"
#include "WorkerPort.h"
#include "WorkerRun.h"
#include "language/LanguageText.h"
#include "platform/File.h"
#include "serial/SerialPort.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <memory>
#include <optional>
#include <string>

namespace {

using transfer::EndCause;
using transfer::TransferResult;

std::string PathTooLong() {
    return LanguageText::TextOr("STRING_IDS_PATH_TOO_LONG", "Error: the picture path is too long");
}

// Both picture workers end with the buffer emptied and the port closed; the
// port object goes with the worker.
void ClosePort(SerialPort& port) {
    port.ClearBuffer();
    port.Close();
}

// After a transfer that gave no picture: nothing while the worker goes on. A
// lost line is opened again first, and ends the worker when the run is
// stopped meanwhile or asks for no reopening.
std::optional<transfer::Ended> EndAfterFailure(const WorkerRun& run, SerialPort& port) {
    if (!port.IsLineLost()) {
        return std::nullopt;
    }
    const std::string reason = port.LineLostReason();
    switch (ReopenLostLine(run, port)) {
    case Recovery::Back:
        return std::nullopt;
    case Recovery::Stopped:
        return transfer::Ended{};
    case Recovery::NotReconnecting:
        break;
    }
    return transfer::Ended{EndCause::LineLost, reason};
}

// Hands the listeners the picture itself with its file, so that none of
// them reads the file back.
void TellStored(const WorkerRun& run, std::uint64_t number, const std::string& file,
                TransferResult& result) {
    auto picture = std::make_shared<transfer::Picture>();
    picture->bytes = std::move(result.fileBytes);
    picture->kind = result.kind;
    picture->width = result.width;
    picture->height = result.height;
    picture->number = number;
    picture->time = std::chrono::system_clock::now();
    run.Tell(transfer::PictureStored{number, file, result.kind, result.width, result.height,
                                     result.bytes, result.figures, std::move(picture)});
}

// A transfer that had begun and gave no picture; one that found no valid
// header is no picture at all.
void TellFailure(const WorkerRun& run, std::uint64_t number, const TransferResult& result) {
    if (result.outcome == TransferResult::Outcome::Failed) {
        run.Tell(transfer::PictureFailed{number, result.why, result.detail, result.figures});
    }
}

// Opens the picture worker's port; false, with the run told why it ends,
// when it does not open.
bool OpenPicturePort(const WorkerRun& run, SerialPort& port) {
    if (OpenWorkerPort(run.context, port, run.context.speed)) {
        port.ClearBuffer();
        return true;
    }
    run.Tell(transfer::Ended{EndCause::PortFailed, port.LastOpenError()});
    return false;
}

// Whether a capture ends at the free-space limit now; a run with a keeper
// goes on while the keeper has older pictures to delete. A failed query
// does not stop the capture; the next picture asks again.
bool OutOfSpace(const WorkerRun& run, const std::string& basePath) {
    const auto freeBytes =
        run.keeper != nullptr ? run.keeper->FreeBytes() : run.context.freeSpace(basePath);
    if (!freeBytes || !transfer::FreeSpaceBelowLimit(*freeBytes, run.context.freeSpaceLimit)) {
        return false;
    }
    return run.keeper == nullptr || !run.keeper->MakeRoom();
}

void End(const WorkerRun& run, SerialPort& port, const transfer::Ended& end) {
    ClosePort(port);
    run.Tell(end);
}

} // namespace

void ConnectWorker(const WorkerRun& run) {
    SerialPort port;
    while (!ConnectSemaphore().try_acquire_for(std::chrono::milliseconds(1))) {
        if (run.StopRequested()) {
            run.Tell(transfer::Ended{EndCause::Stopped, {}});
            return;
        }
    }
    const std::int32_t speed = run.context.speed;
    transfer::Ended end{EndCause::Done, {}};
    if (OpenWorkerPort(run.context, port, speed)) {
        port.ClearBuffer();
        run.Tell(transfer::Connected{speed});
    } else {
        end = transfer::Ended{EndCause::PortFailed, port.LastOpenError()};
    }
    port.Close();
    ConnectSemaphore().release();
    run.Tell(end);
}

void DisconnectWorker(const WorkerRun& run) {
    run.Tell(transfer::Disconnected{});
    run.Tell(transfer::Ended{EndCause::Done, {}});
}

void LiveWorker(const WorkerRun& run) {
    SerialPort port;
    if (!OpenPicturePort(run, port)) {
        return;
    }
    const std::string displayFile = run.context.DisplayFileName();
    if (displayFile.empty()) {
        End(run, port, transfer::Ended{EndCause::PathRefused, PathTooLong()});
        return;
    }
    transfer::Ended end;
    for (std::uint64_t number = 0; !run.StopRequested(); ++number) {
        // Each picture arrives under a name of its own and replaces the display
        // file only when it is whole, so that a reader of the display file
        // never sees half a picture.
        std::string incoming = platform::CreateTemporaryBeside(displayFile);
        if (incoming.empty()) {
            incoming = displayFile + ".incoming";
        }
        TransferResult result = PictureTransfer(run, port, incoming);
        if (result.Stored()) {
            if (platform::ReplaceFile(incoming, displayFile)) {
                TellStored(run, number, displayFile, result);
                continue;
            }
            result.outcome = TransferResult::Outcome::Failed;
            result.why = transfer::FailureCause::NotPublished;
            result.detail = std::strerror(errno);
        }
        TellFailure(run, number, result);
        platform::DeleteFile(incoming);
        if (run.context.keepNewestOnFailure == 0) {
            platform::DeleteFile(displayFile);
        }
        if (const auto ended = EndAfterFailure(run, port)) {
            end = *ended;
            break;
        }
    }
    End(run, port, end);
}

void ContinuousCaptureWorker(const WorkerRun& run) {
    const WorkerContext& context = run.context;
    SerialPort port;
    if (!OpenPicturePort(run, port)) {
        return;
    }
    const std::string basePath = context.CaptureBasePath();
    if (basePath.empty()) {
        End(run, port, transfer::Ended{EndCause::PathRefused, PathTooLong()});
        return;
    }
    transfer::CaptureCounter counter(basePath, context.captureCounterStart);
    transfer::Ended end;
    while (!run.StopRequested()) {
        if (transfer::NumberedPath(basePath, counter.Next()).size() >= WorkerContext::kPathSize) {
            end = transfer::Ended{EndCause::PathRefused, PathTooLong()};
            break;
        }
        // The number of an attempt that creates no file is the one it would
        // have taken.
        std::uint64_t number = counter.Next();
        bool created = false;
        TransferResult result =
            PictureTransfer(run, port, [&](platform::File& file) -> std::optional<std::string> {
                auto claimed = counter.Claim(file);
                if (!claimed) {
                    return std::nullopt;
                }
                number = claimed->number;
                created = true;
                return std::move(claimed->path);
            });
        if (!created) {
            counter.UseUp(); // every attempt uses up its number
        }
        std::optional<transfer::Ended> ended;
        if (result.Stored()) {
            // Written once: whoever shows the newest picture elsewhere takes
            // it from the event.
            TellStored(run, number, result.file, result);
        } else {
            TellFailure(run, number, result);
            // Only a file this attempt created is its to delete.
            if (created && context.deleteCorrupted == 1) {
                platform::DeleteFile(transfer::NumberedPath(basePath, number));
            }
            ended = EndAfterFailure(run, port);
        }
        if (ended) {
            end = *ended;
            break;
        }
        if (context.checkFreeSpace == 1 && OutOfSpace(run, basePath)) {
            end = transfer::Ended{EndCause::FreeSpaceLimit, {}};
            break;
        }
    }
    End(run, port, end);
}
