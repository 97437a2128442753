#include "CaptureCounter.h"

#include "CaptureNaming.h"

#include <algorithm>
#include <cerrno>

namespace transfer {

namespace {

// Names taken meanwhile that one claim steps over before it gives up: only a
// folder filled as fast as this capture numbers could need more.
constexpr int kMostTakenNames = 1000;

} // namespace

CaptureCounter::CaptureCounter(std::string basePath, std::uint64_t first)
    : basePath(std::move(basePath)), next(first) {
    if (const auto highest = HighestNumberPresent(this->basePath)) {
        next = std::max(next, *highest + 1);
    }
}

std::optional<CaptureCounter::Claimed> CaptureCounter::Claim(platform::File& file) {
    for (int taken = 0; taken <= kMostTakenNames; ++taken) {
        Claimed claimed{next, NumberedPath(basePath, next)};
        ++next;
        if (file.CreateNew(claimed.path)) {
            return claimed;
        }
        if (file.Error() != EEXIST) {
            return std::nullopt;
        }
    }
    return std::nullopt;
}

} // namespace transfer
