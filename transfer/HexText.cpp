#include "HexText.h"

#include <cstdlib>

namespace transfer {

std::uint8_t ParseHexPair(char high, char low) {
    // strtoul itself, so that blanks, signs and "0x" inside a pair read
    // exactly as they always have.
    const char pair[3] = {high, low, '\0'};
    return static_cast<std::uint8_t>(std::strtoul(pair, nullptr, 16) & 0xFFu);
}

std::size_t DecodeHexPairs(const std::uint8_t* text, std::size_t count, std::uint8_t* bytes) {
    const std::size_t pairs = count / 2;
    for (std::size_t i = 0; i < pairs; ++i) {
        bytes[i] = ParseHexPair(static_cast<char>(text[2 * i]), static_cast<char>(text[2 * i + 1]));
    }
    return pairs;
}

std::array<char, 2> FormatHexByte(std::uint8_t value) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    return {kDigits[value >> 4], kDigits[value & 0x0F]};
}

} // namespace transfer
