#pragma once

#include <string>
#include <string_view>

namespace language {

// The number that enters the scrambling of a key's text: the key's length
// plus one ("QX_IDOK" gives 8).
int ScrambleKey(std::string_view keyName);

// Turns a stored value, pairs of hexadecimal digits, into its text. Each pair
// V (below 0x20 taken as V + 256) gives the character ((V - 32) ^ k) + 32,
// low 8 bits. A pair that is not two hex digits reads as far as it forms a
// number: "4G" is 4, "G4" is 0. The caller checks for an odd length.
std::string Unscramble(std::string_view value, int k);

// The exact inverse of Unscramble for every character code and every k from
// 0 to 255: upper-case pairs.
std::string Scramble(std::string_view text, int k);

} // namespace language
