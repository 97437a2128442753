#pragma once

#include <string_view>

namespace platform {

// Compares two texts letter by letter, treating ASCII upper and lower case as
// the same.
bool EqualsIgnoringCase(std::string_view a, std::string_view b);

} // namespace platform
