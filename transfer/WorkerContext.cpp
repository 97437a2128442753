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
    return Read(statusText);
}

template <std::size_t N>
bool WorkerContext::SetPath(std::array<char, N>& field, std::string_view path) {
    const bool fits = path.size() < N;
    std::lock_guard lock(textLock);
    CopyIn(field, fits ? path : std::string_view{});
    return fits;
}

template <std::size_t N> std::string WorkerContext::Read(const std::array<char, N>& field) const {
    std::lock_guard lock(textLock);
    return std::string(field.data());
}

bool WorkerContext::SetCaptureBasePath(std::string_view path) {
    return SetPath(captureBasePath, path);
}

std::string WorkerContext::CaptureBasePath() const {
    return Read(captureBasePath);
}

bool WorkerContext::SetDisplayFileName(std::string_view path) {
    return SetPath(displayFileName, path);
}

std::string WorkerContext::DisplayFileName() const {
    return Read(displayFileName);
}

bool WorkerContext::SetDevicePath(std::string_view path) {
    return SetPath(devicePath, path);
}

std::string WorkerContext::DevicePath() const {
    return Read(devicePath);
}
