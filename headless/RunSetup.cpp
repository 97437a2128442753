#include "RunSetup.h"

#include "language/LanguageText.h"
#include "platform/DisplayFileLocation.h"
#include "platform/File.h"
#include "platform/PathParts.h"
#include "transfer/WorkerContext.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace headless {

std::optional<int> RunSetup::Describe() {
    context.port = options.port;
    context.speed = options.speed;
    if (!context.SetDevicePath(options.device)) {
        std::fprintf(stderr, "%s: the device path is too long\n", program);
        return kExitUsage;
    }
    context.reconnect = options.reconnect ? 1 : 0;
    return std::nullopt;
}

std::optional<int> RunSetup::PrepareFiles() {
    return options.mode == Mode::Capture ? PrepareCapture() : PrepareLive();
}

std::optional<int> RunSetup::PrepareCapture() {
    const platform::PathParts parts = platform::SplitPath(options.path);
    const std::string folder = parts.directory.empty() ? "." : parts.directory;
    if (::access(folder.c_str(), W_OK) != 0) {
        std::fprintf(stderr, "%s: cannot write pictures into %s: %s\n", program, folder.c_str(),
                     std::strerror(errno));
        return kExitFailure;
    }
    if (!context.SetCaptureBasePath(options.path)) {
        std::fprintf(stderr, "%s: the capture path is too long\n", program);
        return kExitUsage;
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
std::optional<int> RunSetup::PrepareLive() {
    const std::string beside = platform::CreateTemporaryBeside(options.path);
    if (!beside.empty()) {
        platform::DeleteFile(beside);
    }
    if (beside.empty() || !context.SetDisplayFileName(options.path)) {
        std::fprintf(stderr, "%s: cannot create a file beside %s\n", program, options.path.c_str());
        return kExitFailure;
    }
    context.keepNewestOnFailure = 1;
    return std::nullopt;
}

} // namespace headless
