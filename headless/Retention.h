#pragma once

#include "HeadlessOptions.h"
#include "StatusReporter.h"
#include "transfer/PictureRetention.h"

#include <memory>

namespace headless {

// The retention that --keep-days or --keep-size ask for, not started yet;
// nothing without them. Its deletions are told through reporter, which must
// outlive it, one line now and then.
std::unique_ptr<transfer::PictureRetention>
RetentionFor(const HeadlessOptions& options, const char* program, StatusReporter& reporter);

} // namespace headless
