#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace web {

struct BasicCredentials {
    std::string name;
    std::string password;
};

// The name and password of an Authorization header value of the Basic
// scheme, its name in any case (RFC 7235). Nothing for another scheme, text
// that is not Base64, no colon, or a NUL in either part: a C string would
// end at the NUL and check only what comes before it.
std::optional<BasicCredentials> ParseBasicCredentials(std::string_view authorization);

} // namespace web
