#include "RunSummary.h"

#include <cstdio>

namespace headless {

namespace {

std::string LineWords(const transfer::LineUse& use, std::int32_t speed) {
    char words[96] = "line efficiency -";
    switch (use.kind) {
    case transfer::LineUse::Kind::Efficiency:
        std::snprintf(words, sizeof words, "line efficiency %.1f %%", use.percent);
        break;
    case transfer::LineUse::Kind::FasterThanLine:
        std::snprintf(words, sizeof words, "faster than %d bit/s: %.0f bytes/s",
                      static_cast<int>(speed), use.bytesPerSecond);
        break;
    case transfer::LineUse::Kind::Unknown:
        break;
    }
    return words;
}

} // namespace

std::string SummaryLine(const RunFigures& figures) {
    char line[160];
    std::snprintf(
        line, sizeof line, "pictures: %llu good, %llu failed; %llu bytes in %.1f s; %s",
        static_cast<unsigned long long>(figures.totals.goodPictures),
        static_cast<unsigned long long>(figures.totals.failedPictures),
        static_cast<unsigned long long>(figures.totals.goodPictureBytes), figures.elapsedSeconds,
        LineWords(transfer::LineUseOf(figures.totals, figures.speed), figures.speed).c_str());
    return line;
}

} // namespace headless
