#include "WorkerContext.h"

#include <algorithm>
#include <cstring>

template <std::size_t N>
void WorkerContext::CopyIn(std::array<char, N>& field, std::string_view text) {
    const std::size_t length = std::min(text.size(), N - 1);
    // An empty view may carry no address at all, which memcpy must not see.
    if (length != 0) {
        std::memcpy(field.data(), text.data(), length);
    }
    field[length] = '\0';
}

void WorkerContext::SetStatusText(std::string_view text) {
    std::lock_guard lock(textLock);
    CopyIn(statusText, text);
}

std::string WorkerContext::StatusText() const {
    std::lock_guard lock(textLock);
    return std::string(statusText.data());
}

bool WorkerContext::SetCaptureBasePath(std::string_view path) {
    const bool fits = path.size() < kPathSize;
    std::lock_guard lock(textLock);
    CopyIn(captureBasePath, fits ? path : std::string_view{});
    return fits;
}

std::string WorkerContext::CaptureBasePath() const {
    std::lock_guard lock(textLock);
    return std::string(captureBasePath.data());
}

bool WorkerContext::SetDisplayFileName(std::string_view path) {
    const bool fits = path.size() < kPathSize;
    std::lock_guard lock(textLock);
    CopyIn(displayFileName, fits ? path : std::string_view{});
    return fits;
}

std::string WorkerContext::DisplayFileName() const {
    std::lock_guard lock(textLock);
    return std::string(displayFileName.data());
}
