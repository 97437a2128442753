#pragma once

#include <cstdint>

namespace platform {

// Milliseconds since an arbitrary start, as a 32-bit value that wraps around
// after about 49.7 days. Time limits compare ticks by unsigned subtraction,
// which stays right across the wrap.
std::uint32_t TickCount();

// Shifts every later TickCount() by the given amount, so that tests can start
// a timed operation just before the counter wraps.
void SetTickOffsetForTesting(std::uint32_t offset);

} // namespace platform
