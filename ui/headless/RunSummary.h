#pragma once

#include "transfer/WorkerContext.h"

#include <cstdint>
#include <string>

namespace headless {

// What a run achieved, for the line that ends it.
struct RunFigures {
    std::uint64_t goodPictures = 0;
    std::uint64_t failedPictures = 0;
    std::uint64_t goodPictureBytes = 0;
    double elapsedSeconds = 0;
    // For the line efficiency: picture bytes received in all transfers, the
    // time those transfers took, and the line speed in bit/s.
    std::uint64_t payloadBytes = 0;
    double transferSeconds = 0;
    std::int32_t speed = 0;
};

// The share of the line's capacity (ten bits a byte: start, eight data bits,
// stop) that carried picture bytes while transfers ran, in percent; negative
// when nothing was transferred.
double LineEfficiencyPercent(const RunFigures& figures);

// "pictures: 12 good, 1 failed; 1449984 bytes in 63.2 s; line efficiency 92.1 %"
std::string SummaryLine(const RunFigures& figures);

// The exit status for the way the picture worker ended: 0 for an end asked
// for (a count, a time, a signal, the free-space limit), 1 for a path that
// does not fit, 2 for a port that failed or a line lost for good.
int ExitStatusFor(WorkerEnd end);

} // namespace headless
