#pragma once

#include "transfer/RunKind.h"

#include <cstdint>
#include <string>

namespace runstate {

// What a view of the run says about it besides its events.
struct RunDescription {
    std::string device; // as people know it: "COM1 (/dev/ttyUSB0)"
    std::int32_t speed = 0;
    transfer::RunKind kind = transfer::RunKind::Capture; // Capture or Live
    std::string version;
    // The camera's name among several ("door"); empty when none was given.
    std::string name;
};

} // namespace runstate
