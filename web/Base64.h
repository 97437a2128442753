#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace web {

// The bytes of standard Base64 text (RFC 4648, with its '=' padding), or
// nothing when the text is not exactly that: no blanks, no other letters.
std::optional<std::string> DecodeBase64(std::string_view text);

} // namespace web
