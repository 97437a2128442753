#include "WireFormat.h"

#include "language/HexDigit.h"

#include <algorithm>

namespace camsim {

namespace {

constexpr char kUpperDigits[] = "0123456789ABCDEF";
constexpr char kLowerDigits[] = "0123456789abcdef";

bool IsUpperHexDigit(std::uint8_t c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
}

} // namespace

std::uint8_t XorOf(std::span<const std::uint8_t> bytes) {
    std::uint8_t value = 0;
    for (std::uint8_t byte : bytes) {
        value ^= byte;
    }
    return value;
}

std::uint8_t SumOf(std::span<const std::uint8_t> bytes) {
    std::uint8_t value = 0;
    for (std::uint8_t byte : bytes) {
        value = static_cast<std::uint8_t>(value + byte);
    }
    return value;
}

std::array<std::uint8_t, kHeaderSize> HeaderBytes(const OutgoingPicture& picture) {
    const auto size = static_cast<std::uint32_t>(picture.data.size());
    std::array<std::uint8_t, kHeaderSize> header{
        static_cast<std::uint8_t>(picture.width >> 8),
        static_cast<std::uint8_t>(picture.width),
        static_cast<std::uint8_t>(picture.height >> 8),
        static_cast<std::uint8_t>(picture.height),
        static_cast<std::uint8_t>(size >> 24),
        static_cast<std::uint8_t>(size >> 16),
        static_cast<std::uint8_t>(size >> 8),
        static_cast<std::uint8_t>(size),
        picture.kind,
        picture.reserved[0],
        picture.reserved[1],
        picture.reserved[2],
        static_cast<std::uint8_t>(picture.blockSize >> 8),
        static_cast<std::uint8_t>(picture.blockSize),
        picture.checkFlag,
        static_cast<std::uint8_t>(picture.ackFlag >> 8),
        static_cast<std::uint8_t>(picture.ackFlag),
        0,
        0,
    };
    const std::span<const std::uint8_t> checked(header.data(), kHeaderSize - 2);
    header[17] = SumOf(checked);
    header[18] = XorOf(checked);
    return header;
}

void AppendEncoded(std::vector<std::uint8_t>& out, std::span<const std::uint8_t> bytes,
                   Encoding encoding) {
    if (encoding == Encoding::Binary) {
        out.insert(out.end(), bytes.begin(), bytes.end());
        return;
    }
    const char* digits = encoding == Encoding::HexLower ? kLowerDigits : kUpperDigits;
    for (std::uint8_t byte : bytes) {
        out.push_back(static_cast<std::uint8_t>(digits[byte >> 4]));
        out.push_back(static_cast<std::uint8_t>(digits[byte & 0x0F]));
    }
}

std::size_t UnitWidth(Encoding encoding) {
    return encoding == Encoding::Binary ? 1 : 2;
}

std::uint8_t DecodeUnit(std::span<const std::uint8_t> unit, Encoding encoding, bool& wellFormed) {
    if (encoding == Encoding::Binary) {
        wellFormed = unit.size() == 1;
        return unit.empty() ? 0 : unit[0];
    }
    wellFormed = unit.size() == 2 && IsUpperHexDigit(unit[0]) && IsUpperHexDigit(unit[1]);
    // Digits up to the first non-digit count, as a lenient reader takes them.
    unsigned value = 0;
    for (std::uint8_t c : unit) {
        const int digit = language::HexDigitValue(static_cast<char>(c));
        if (digit < 0) {
            break;
        }
        value = value * 16 + static_cast<unsigned>(digit);
    }
    return static_cast<std::uint8_t>(value);
}

std::vector<BlockBounds> PlanBlocks(std::uint32_t dataSize, std::uint16_t blockSize) {
    const std::uint32_t length = blockSize != 0 ? blockSize : kDefaultBlockLength;
    std::vector<BlockBounds> blocks;
    for (std::uint32_t offset = 0; offset < dataSize;
         offset += std::min(length, dataSize - offset)) {
        blocks.push_back({offset, std::min(length, dataSize - offset)});
    }
    if (blocks.empty() && blockSize != 0) {
        blocks.push_back({0, 0});
    }
    return blocks;
}

std::vector<std::uint8_t> NoiseBytes(std::size_t count, std::uint32_t seed) {
    std::vector<std::uint8_t> noise;
    noise.reserve(count);
    std::uint32_t state = seed != 0 ? seed : 1;
    while (noise.size() < count) {
        // xorshift32: a fixed, repeatable sequence.
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        const auto byte = static_cast<std::uint8_t>(state >> 24);
        if (byte != 0x55 && byte != 0xAA) {
            noise.push_back(byte);
        }
    }
    return noise;
}

} // namespace camsim
