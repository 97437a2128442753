#pragma once

#include "transfer/RunTally.h"

#include <cstdint>
#include <string>

namespace headless {

// What a run achieved, for the line that ends it.
struct RunFigures {
    transfer::RunTotals totals;
    double elapsedSeconds = 0;
    std::int32_t speed = 0; // bit/s, for the line's use
};

// "pictures: 12 good, 1 failed; 1449984 bytes in 63.2 s; line efficiency 92.1 %",
// or where bytes came faster than the speed allows "...; faster than
// 115200 bit/s: 660000 bytes/s".
std::string SummaryLine(const RunFigures& figures);

} // namespace headless
