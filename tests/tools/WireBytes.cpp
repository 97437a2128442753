#include "WireBytes.h"

#include <algorithm>
#include <cstdio>

namespace camsimtest {

std::string Hex(const Bytes& bytes, bool lower) {
    std::string text;
    for (std::uint8_t byte : bytes) {
        char pair[3];
        std::snprintf(pair, sizeof pair, lower ? "%02x" : "%02X", byte);
        text += pair;
    }
    return text;
}

Bytes Slice(const Bytes& bytes, std::size_t from, std::size_t count) {
    // Clamped, so that a short read makes a failed comparison, not a crash.
    const std::size_t begin = std::min(from, bytes.size());
    const std::size_t end = std::min(from + count, bytes.size());
    return Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(begin),
                 bytes.begin() + static_cast<std::ptrdiff_t>(end));
}

Bytes Header(std::uint16_t width, std::uint16_t height, std::uint32_t size, std::uint16_t block,
             std::uint8_t check, std::uint16_t ack, std::uint8_t kind) {
    Bytes header{static_cast<std::uint8_t>(width >> 8),
                 static_cast<std::uint8_t>(width),
                 static_cast<std::uint8_t>(height >> 8),
                 static_cast<std::uint8_t>(height),
                 static_cast<std::uint8_t>(size >> 24),
                 static_cast<std::uint8_t>(size >> 16),
                 static_cast<std::uint8_t>(size >> 8),
                 static_cast<std::uint8_t>(size),
                 kind,
                 0x00,
                 0x00,
                 0x00,
                 static_cast<std::uint8_t>(block >> 8),
                 static_cast<std::uint8_t>(block),
                 check,
                 static_cast<std::uint8_t>(ack >> 8),
                 static_cast<std::uint8_t>(ack)};
    std::uint8_t sum = 0;
    for (std::uint8_t byte : header) {
        sum = static_cast<std::uint8_t>(sum + byte);
    }
    header.push_back(sum);
    header.push_back(XorOf(header, 0, 17));
    return header;
}

Bytes WithCheck(Bytes block) {
    block.push_back(XorOf(block));
    return block;
}

} // namespace camsimtest
