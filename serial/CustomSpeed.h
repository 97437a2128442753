#pragma once

#include <cstdint>

namespace serial {

// Sets both directions of an open terminal to any speed in bits per second,
// including those that have no B-constant. Returns 0 or the errno of the
// failed request.
int SetCustomSpeed(int descriptor, std::uint32_t speed);

} // namespace serial
