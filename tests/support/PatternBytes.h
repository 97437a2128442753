#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace testsupport {

// Bytes of every value in a repeatable order: the same seed gives the same
// bytes, so a test can make a picture again to compare with what arrived.
std::vector<std::uint8_t> PatternBytes(std::size_t count, std::uint32_t seed = 7);

} // namespace testsupport
