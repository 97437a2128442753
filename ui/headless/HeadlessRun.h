#pragma once

#include "HeadlessOptions.h"

namespace headless {

// Runs the workers without a window as the options say and returns the exit
// status: connect, then capture or live mode until K pictures, T seconds or
// SIGINT/SIGTERM; progress, warnings and a closing summary on standard
// error, one line per new picture on standard output.
int RunHeadless(const HeadlessOptions& options, const std::string& programName);

} // namespace headless
