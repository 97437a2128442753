#include "RunSummary.h"

#include <cstdio>

namespace headless {

std::string SummaryLine(const RunFigures& figures) {
    char efficiency[32] = "-";
    if (const double percent = transfer::LineEfficiencyPercent(figures.totals, figures.speed);
        percent >= 0) {
        std::snprintf(efficiency, sizeof efficiency, "%.1f %%", percent);
    }
    char line[160];
    std::snprintf(line, sizeof line,
                  "pictures: %llu good, %llu failed; %llu bytes in %.1f s; line efficiency %s",
                  static_cast<unsigned long long>(figures.totals.goodPictures),
                  static_cast<unsigned long long>(figures.totals.failedPictures),
                  static_cast<unsigned long long>(figures.totals.goodPictureBytes),
                  figures.elapsedSeconds, efficiency);
    return line;
}

} // namespace headless
