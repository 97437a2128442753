#pragma once

#include <string>

namespace camsim {

// Opens a serial device for the camera's end of a cable: raw, 8 data bits,
// no parity, one stop bit, no flow control, the modem lines ignored, at the
// given speed, non-blocking. Returns the descriptor, or -1 with error set.
int OpenRawDevice(const std::string& path, long bitsPerSecond, std::string& error);

} // namespace camsim
