#pragma once

#include <string>
#include <string_view>

namespace LanguageText {

// Language files written on Windows hold single-byte texts of its Western
// code page (Windows-1252, "é" as 0xE9); newer ones hold UTF-8. A text that is
// valid UTF-8 is taken as UTF-8, any other as Windows-1252; either way the
// result is UTF-8.
std::string AsUtf8(std::string_view text);

} // namespace LanguageText
