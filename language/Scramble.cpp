#include "Scramble.h"

#include "HexDigit.h"

namespace language {

namespace {

// A pair is read as far as it forms a hexadecimal number.
unsigned PairValue(char high, char low) {
    const int first = HexDigitValue(high);
    if (first < 0) {
        return 0;
    }
    const int second = HexDigitValue(low);
    if (second < 0) {
        return static_cast<unsigned>(first);
    }
    return static_cast<unsigned>(first * 16 + second);
}

} // namespace

int ScrambleKey(std::string_view keyName) {
    return static_cast<int>(keyName.size()) + 1;
}

std::string Unscramble(std::string_view value, int k) {
    std::string text;
    text.reserve(value.size() / 2);
    for (std::size_t i = 0; i + 1 < value.size(); i += 2) {
        unsigned v = PairValue(value[i], value[i + 1]);
        if (v < 32) {
            v += 256;
        }
        const unsigned c = (((v - 32) ^ static_cast<unsigned>(k)) + 32) & 0xFFu;
        text.push_back(static_cast<char>(c));
    }
    return text;
}

std::string Scramble(std::string_view text, int k) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string value;
    value.reserve(text.size() * 2);
    for (const char ch : text) {
        const unsigned c = static_cast<unsigned char>(ch);
        const unsigned stored = ((((c - 32) & 0xFFu) ^ static_cast<unsigned>(k)) + 32) & 0xFFu;
        value.push_back(kDigits[stored >> 4]);
        value.push_back(kDigits[stored & 0xF]);
    }
    return value;
}

} // namespace language
