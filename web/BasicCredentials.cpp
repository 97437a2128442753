#include "BasicCredentials.h"

#include "Base64.h"

#include <algorithm>
#include <cctype>

namespace web {

std::optional<BasicCredentials> ParseBasicCredentials(std::string_view authorization) {
    constexpr std::string_view kScheme = "basic";
    if (authorization.size() <= kScheme.size() || authorization[kScheme.size()] != ' ' ||
        !std::equal(kScheme.begin(), kScheme.end(), authorization.begin(), [](char a, char b) {
            return a == std::tolower(static_cast<unsigned char>(b));
        })) {
        return std::nullopt;
    }
    std::string_view encoded = authorization.substr(kScheme.size());
    while (!encoded.empty() && encoded.front() == ' ') {
        encoded.remove_prefix(1);
    }
    const auto decoded = DecodeBase64(encoded);
    if (!decoded || decoded->find('\0') != std::string::npos) {
        return std::nullopt;
    }
    const auto colon = decoded->find(':');
    if (colon == std::string::npos) {
        return std::nullopt;
    }
    return BasicCredentials{decoded->substr(0, colon), decoded->substr(colon + 1)};
}

} // namespace web
