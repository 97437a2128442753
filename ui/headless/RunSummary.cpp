#include "RunSummary.h"

#include "HeadlessOptions.h"

#include <cstdio>

namespace headless {

double LineEfficiencyPercent(const RunFigures& figures) {
    if (figures.transferSeconds <= 0 || figures.speed <= 0) {
        return -1;
    }
    const double bytesPerSecond = static_cast<double>(figures.speed) / 10.0;
    return 100.0 * static_cast<double>(figures.payloadBytes) / bytesPerSecond /
           figures.transferSeconds;
}

std::string SummaryLine(const RunFigures& figures) {
    char efficiency[32] = "-";
    if (const double percent = LineEfficiencyPercent(figures); percent >= 0) {
        std::snprintf(efficiency, sizeof efficiency, "%.1f %%", percent);
    }
    char line[160];
    std::snprintf(line, sizeof line,
                  "pictures: %llu good, %llu failed; %llu bytes in %.1f s; line efficiency %s",
                  static_cast<unsigned long long>(figures.goodPictures),
                  static_cast<unsigned long long>(figures.failedPictures),
                  static_cast<unsigned long long>(figures.goodPictureBytes), figures.elapsedSeconds,
                  efficiency);
    return line;
}

int ExitStatusFor(WorkerEnd end) {
    switch (end) {
    case WorkerEnd::PortFailed:
    case WorkerEnd::LineLost:
        return kExitPortUnusable;
    case WorkerEnd::PathRefused:
        return kExitFailure;
    case WorkerEnd::FreeSpaceLimit:
    case WorkerEnd::Running:
    case WorkerEnd::Stopped:
        break;
    }
    return kExitOk;
}

} // namespace headless
