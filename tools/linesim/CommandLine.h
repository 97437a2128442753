#pragma once

#include "LineOptions.h"

#include <string>
#include <vector>

namespace linesim {

// What the program was asked to do.
struct Settings {
    bool help = false;
    // The two ends: links to the slave sides of the two pseudo-terminals.
    std::string pathA;
    std::string pathB;
    LineOptions line;
    // Run the relay under real-time scheduling, when the system allows it.
    bool realtime = false;
};

// Reads the arguments (without the program name). False with error set on a
// usage mistake.
bool ParseCommandLine(const std::vector<std::string>& args, Settings& settings, std::string& error);

const char* UsageText();

} // namespace linesim
