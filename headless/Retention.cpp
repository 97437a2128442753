#include "Retention.h"

#include <chrono>
#include <string>

namespace headless {

std::unique_ptr<transfer::PictureRetention>
RetentionFor(const HeadlessOptions& options, const char* program, StatusReporter& reporter) {
    if (options.kind != transfer::RunKind::Capture || (!options.keepDays && !options.keepSize)) {
        return nullptr;
    }
    transfer::RetentionSettings settings;
    settings.basePath = options.path;
    if (options.keepDays) {
        settings.rules.maxAge = std::chrono::days(*options.keepDays);
    }
    settings.rules.maxBytes = options.keepSize;
    settings.rules.freeSpaceLimit = options.freeSpaceLimit.value_or(0);
    settings.reportDeleted = [program, &reporter](const transfer::DeletedPictures& deleted) {
        reporter.Notice(std::string(program) + ": deleted " + std::to_string(deleted.count) +
                        " old pictures (" + std::to_string(deleted.bytes) +
                        " bytes) to keep within the limits");
    };
    return std::make_unique<transfer::PictureRetention>(std::move(settings));
}

} // namespace headless
