#pragma once

#include "LineOptions.h"

#include <cstdint>
#include <optional>
#include <string>

namespace linesim {

// How many times something took time, and how long on average and at most.
struct Spread {
    std::uint64_t count = 0;
    std::chrono::nanoseconds total{0};
    std::chrono::nanoseconds longest{0};

    void Add(std::chrono::nanoseconds value);
    std::chrono::nanoseconds Mean() const;
};

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
    // How long the sending end took to answer: from the last byte the line
    // handed to it, with nothing more on the way to it, to the first byte of
    // its answer. The share of a turnaround that is the end's own.
    Spread replies;
    // How long after its time on the line's schedule the relay handed over
    // the last byte of each burst: the share that is the simulator's own.
    Spread lateness;
};

struct LineCounts {
    DirectionCounts fromA;
    DirectionCounts fromB;
};

// Two lines, "A->B ..." and "B->A ...", each with key=value fields: bytes
// carried, corrupted, dropped, refused, the busy time in seconds, the times
// of the first and last byte in seconds on the monotonic clock ("-" before
// any byte), then the replies of the sending end (count, mean and longest)
// and the lateness of the relay (mean and longest), in seconds.
std::string FormatCounts(const LineCounts& counts);

} // namespace linesim
