#pragma once

#include <cstdint>

// The output speed a terminal is set to, read through the kernel's termios2
// record so that speeds without a B-constant show too. False when the
// terminal cannot be asked.
bool ReadOutputSpeed(int descriptor, std::uint32_t& speed, bool& customSpeed);
