#include "Base64.h"

namespace web {

namespace {

int DigitValue(char c) {
    if (c >= 'A' && c <= 'Z') {
        return c - 'A';
    }
    if (c >= 'a' && c <= 'z') {
        return c - 'a' + 26;
    }
    if (c >= '0' && c <= '9') {
        return c - '0' + 52;
    }
    if (c == '+') {
        return 62;
    }
    return c == '/' ? 63 : -1;
}

} // namespace

std::optional<std::string> DecodeBase64(std::string_view text) {
    if (text.size() % 4 != 0) {
        return std::nullopt;
    }
    std::size_t padding = 0;
    while (padding < 2 && text.size() > padding && text[text.size() - 1 - padding] == '=') {
        ++padding;
    }
    const std::string_view digits = text.substr(0, text.size() - padding);
    std::string bytes;
    unsigned value = 0;
    int bits = 0;
    for (const char c : digits) {
        const int digit = DigitValue(c);
        if (digit < 0) {
            return std::nullopt;
        }
        value = (value << 6) | static_cast<unsigned>(digit);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            bytes += static_cast<char>((value >> bits) & 0xff);
        }
    }
    // The bits left over past the last byte are zero in text made by an
    // encoder; anything else is not Base64 of any bytes.
    if ((value & ((1u << bits) - 1)) != 0) {
        return std::nullopt;
    }
    return bytes;
}

} // namespace web
