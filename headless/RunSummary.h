#pragma once

#include "transfer/RunTally.h"

#include <cstdint>
#include <string>

namespace headless {

// What a run achieved, for the line that ends it.
struct RunFigures {
    transfer::RunTotals totals;
    double elapsedSeconds = 0;
    std::int32_t speed = 0; // bit/s, for the line efficiency
};

// "pictures: 12 good, 1 failed; 1449984 bytes in 63.2 s; line efficiency 92.1 %"
std::string SummaryLine(const RunFigures& figures);

} // namespace headless
