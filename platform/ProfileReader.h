#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

// The longest value the reader hands back; a longer one arrives cut to this.
inline constexpr std::size_t kProfileValueMax = 4094;

// Reads one entry of an INI file ("[Section]" lines, then "key=value" lines).
// Sections and keys match without regard to letter case; blanks around the
// value are removed; the first matching section and key win. Returns the
// default when the file, the section or the key is missing.
std::string ReadProfileString(std::string_view section, std::string_view key,
                              std::string_view defaultValue, const std::string& filePath);

} // namespace platform
