#pragma once

#include <string>

namespace linesim {

// Sets the speed recorded in a terminal device's settings (any speed, also
// one without a B-constant), leaving every other setting alone. A
// pseudo-terminal carries bytes at any pace whatever its settings say, but
// programs that read the speed to choose their time limits and block sizes
// should see the line's. False with error set when the device refuses.
bool SetTerminalSpeed(const std::string& device, long bitsPerSecond, std::string& error);

} // namespace linesim
