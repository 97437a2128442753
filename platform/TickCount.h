#pragma once

#include <cstdint>

namespace platform {

// Milliseconds since an arbitrary start, as a 32-bit value that wraps around
// after about 49.7 days. Time limits compare ticks by unsigned subtraction,
// which stays right across the wrap.
std::uint32_t TickCount();

// The counter as one user of it sees it: TickCount() shifted by offset, so
// that a timed operation can start just before the counter wraps.
struct TickClock {
    std::uint32_t offset = 0;

    std::uint32_t Now() const { return TickCount() + offset; }
};

} // namespace platform
