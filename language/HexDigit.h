#pragma once

namespace language {

// The value of one hexadecimal digit of either case; -1 for any other
// character.
int HexDigitValue(char c);

} // namespace language
