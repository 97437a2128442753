#include "FreeSpaceLimit.h"

#include <algorithm>
#include <cstddef>

namespace {

constexpr std::size_t kReadLength = 31;
constexpr std::uint32_t kLargestValue = 4095;

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

} // namespace

std::optional<std::uint32_t> ParseFreeSpaceText(std::string_view text) {
    text = text.substr(0, std::min(text.size(), kReadLength));
    std::size_t at = 0;
    while (at < text.size() && IsBlank(text[at])) {
        ++at;
    }
    const std::size_t digitsStart = at;
    std::uint64_t value = 0;
    for (; at < text.size() && IsDigit(text[at]); ++at) {
        value =
            std::min<std::uint64_t>(value * 10 + static_cast<unsigned>(text[at] - '0'), UINT32_MAX);
    }
    if (at == digitsStart) {
        return std::nullopt;
    }
    while (at < text.size() && IsBlank(text[at])) {
        ++at;
    }
    if (at != text.size()) {
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(value);
}

std::uint32_t FreeSpaceLimitBytes(std::uint32_t value, int unitIndex) {
    const std::uint32_t capped = std::min(value, kLargestValue);
    switch (unitIndex) {
    case kUnitKilobytes:
        return capped * 1024u;
    case kUnitMegabytes:
        return capped * 1048576u;
    default:
        return capped;
    }
}
