#pragma once

#include "HeadlessOptions.h"

#include <string>
#include <vector>

namespace headless {

// Runs the workers without a window as the options say and returns the exit
// status: connect, then capture or live mode until K pictures, T seconds or
// SIGINT/SIGTERM; progress, warnings and a closing summary on standard
// error, one line per new picture on standard output.
int RunHeadless(const HeadlessOptions& options, const std::string& programName);

// Reads the command line (without the program name) and runs it; a malformed
// one gets the usage on standard error and status 64.
int RunCommandLine(const std::vector<std::string>& arguments);

} // namespace headless
