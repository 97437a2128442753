#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace transfer {

// One byte from a pair of characters of the hex-text encoding, read as the C
// library's strtoul reads the two characters alone in base 16, low 8 bits
// kept: either letter case, parsing stops at the first character that is not
// a digit ("4G" is 4, "G4" is 0).
std::uint8_t ParseHexPair(char high, char low);

// Turns count characters at text into count / 2 bytes at bytes, pair by
// pair; an odd last character is dropped. bytes may be the same memory as
// text. Returns the number of bytes.
std::size_t DecodeHexPairs(const std::uint8_t* text, std::size_t count, std::uint8_t* bytes);

// The two upper-case digits the receiver sends for a byte ("%.2X").
std::array<char, 2> FormatHexByte(std::uint8_t value);

} // namespace transfer
