#include "RunSetup.h"

#include "language/LanguageText.h"
#include "platform/DisplayFileLocation.h"
#include "platform/File.h"
#include "platform/PathParts.h"
#include "transfer/WorkerContext.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace headless {

std::optional<Refusal> RunSetup::Describe() {
    context.port = options.port;
    context.speed = options.speed;
    if (!context.SetDevicePath(options.device)) {
        return Refusal{kExitUsage, "the device path is too long"};
    }
    context.reconnect = options.reconnect ? 1 : 0;
    return std::nullopt;
}

std::optional<Refusal> RunSetup::PrepareFiles() {
    return options.kind == transfer::RunKind::Capture ? PrepareCapture() : PrepareLive();
}

std::optional<Refusal> RunSetup::PrepareCapture() {
    const platform::PathParts parts = platform::SplitPath(options.path);
    const std::string folder = parts.directory.empty() ? "." : parts.directory;
    if (::access(folder.c_str(), W_OK) != 0) {
        return Refusal{kExitFailure,
                       "cannot write pictures into " + folder + ": " + std::strerror(errno)};
    }
    if (!context.SetCaptureBasePath(options.path)) {
        return Refusal{kExitUsage, "the capture path is too long"};
    }
    context.deleteCorrupted = options.deleteCorrupted ? 1 : 0;
    context.checkFreeSpace = options.freeSpaceLimit ? 1 : 0;
    context.freeSpaceLimit = options.freeSpaceLimit.value_or(0);
    context.SetDisplayFileName(
        platform::DisplayFileLocation("", LanguageText::Text("STRING_IDS_TEMP_JPG")));
    return std::nullopt;
}

// The user's file is the worker's display file: each good picture arrives
// beside it and is renamed over it, and a failed one leaves it as it was.
std::optional<Refusal> RunSetup::PrepareLive() {
    const std::string beside = platform::CreateTemporaryBeside(options.path);
    if (!beside.empty()) {
        platform::DeleteFile(beside);
    }
    if (beside.empty() || !context.SetDisplayFileName(options.path)) {
        return Refusal{kExitFailure, "cannot create a file beside " + options.path};
    }
    context.keepNewestOnFailure = 1;
    return std::nullopt;
}

} // namespace headless
