#pragma once

#include "LineOptions.h"

#include <cstdint>
#include <optional>
#include <string>

namespace linesim {

// What one direction of the line has carried so far.
struct DirectionCounts {
    // Bytes written to the far end (corrupted ones included).
    std::uint64_t carried = 0;
    std::uint64_t corrupted = 0;
    std::uint64_t dropped = 0;
    // Bytes the far end's device would not take (a write error other than
    // "full"); the line has nowhere else to put them.
    std::uint64_t refused = 0;
    // Time the sender's side of the line spent sending.
    std::chrono::nanoseconds busy{0};
    // When the first and the last byte were written to the far end.
    std::optional<Clock::time_point> first;
    std::optional<Clock::time_point> last;
};

struct LineCounts {
    DirectionCounts fromA;
    DirectionCounts fromB;
};

// Two lines, "A->B ..." and "B->A ...", each with key=value fields: bytes
// carried, corrupted, dropped, refused, the busy time in seconds and the
// times of the first and last byte in seconds on the monotonic clock ("-"
// before any byte).
std::string FormatCounts(const LineCounts& counts);

} // namespace linesim
