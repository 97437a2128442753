#pragma once

#include <cstdint>
#include <string>

namespace web {

enum class RunMode { Capture, Live };

// What the page says about the run besides its events.
struct RunDescription {
    std::string device; // as people know it: "COM1 (/dev/ttyUSB0)"
    std::int32_t speed = 0;
    RunMode mode = RunMode::Capture;
    std::string version;
};

} // namespace web
