#include "Retention.h"

#include <chrono>
#include <cstdio>

namespace headless {

std::unique_ptr<transfer::PictureRetention> RetentionFor(const HeadlessOptions& options,
                                                         const char* program) {
    if (options.mode != Mode::Capture || (!options.keepDays && !options.keepSize)) {
        return nullptr;
    }
    transfer::RetentionSettings settings;
    settings.basePath = options.path;
    if (options.keepDays) {
        settings.rules.maxAge = std::chrono::days(*options.keepDays);
    }
    settings.rules.maxBytes = options.keepSize;
    settings.rules.freeSpaceLimit = options.freeSpaceLimit.value_or(0);
    settings.reportDeleted = [program](const transfer::DeletedPictures& deleted) {
        std::fprintf(stderr,
                     "%s: deleted %llu old pictures (%llu bytes) to keep within the limits\n",
                     program, static_cast<unsigned long long>(deleted.count),
                     static_cast<unsigned long long>(deleted.bytes));
    };
    return std::make_unique<transfer::PictureRetention>(std::move(settings));
}

} // namespace headless
