#include "CaptureNaming.h"

#include "platform/PathParts.h"

#include <cinttypes>
#include <cstdio>

namespace transfer {

std::string NumberedPath(const std::string& basePath, std::uint64_t counter) {
    platform::PathParts parts = platform::SplitPath(basePath);
    char number[32];
    std::snprintf(number, sizeof number, "%.8" PRIu64, counter);
    parts.name += number;
    return platform::JoinPath(parts);
}

} // namespace transfer
