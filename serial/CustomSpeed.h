#pragma once

#include <cstdint>

namespace serial {

// Sets both directions of an open terminal to any speed in bits per second,
// including those that have no B-constant. Returns 0 or the errno of the
// failed request.
int SetCustomSpeed(int descriptor, std::uint32_t speed);

// The speeds in bits per second that an open terminal's two directions run
// at, as the driver reports them after a change (it may have rounded them or
// kept the old ones). Returns 0 or the errno of the failed request.
int ReadLineSpeeds(int descriptor, std::uint32_t& input, std::uint32_t& output);

} // namespace serial
