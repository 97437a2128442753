#include "PatternBytes.h"

#include <random>

namespace testsupport {

std::vector<std::uint8_t> PatternBytes(std::size_t count, std::uint32_t seed) {
    std::mt19937 random(seed);
    std::vector<std::uint8_t> bytes(count);
    for (auto& byte : bytes) {
        byte = static_cast<std::uint8_t>(random());
    }
    return bytes;
}

} // namespace testsupport
