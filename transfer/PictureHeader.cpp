#include "PictureHeader.h"

namespace transfer {

namespace {
constexpr std::size_t kKindAt = 8;
// The two checks come last and cover every byte before them.
constexpr std::size_t kSumAt = 17;
constexpr std::size_t kXorAt = 18;
constexpr std::size_t kCheckedBytes = kSumAt;

std::uint16_t Word(const HeaderBytes& bytes, std::size_t at) {
    return static_cast<std::uint16_t>((bytes[at] << 8) | bytes[at + 1]);
}

// Every kind byte but 0 has always meant a JPEG.
PictureKind KindOf(std::uint8_t kind) {
    return kind == 0 ? PictureKind::UncompressedPixels : PictureKind::Jpeg;
}
} // namespace

std::uint8_t HeaderSum(const HeaderBytes& bytes) {
    unsigned sum = 0;
    for (std::size_t i = 0; i < kCheckedBytes; ++i) {
        sum += bytes[i];
    }
    return static_cast<std::uint8_t>(sum);
}

std::uint8_t HeaderXor(const HeaderBytes& bytes) {
    std::uint8_t value = 0;
    for (std::size_t i = 0; i < kCheckedBytes; ++i) {
        value ^= bytes[i];
    }
    return value;
}

bool HeaderChecksPass(const HeaderBytes& bytes) {
    return HeaderSum(bytes) == bytes[kSumAt] && HeaderXor(bytes) == bytes[kXorAt];
}

PictureHeader DecodeHeader(const HeaderBytes& bytes) {
    PictureHeader header;
    header.width = Word(bytes, 0);
    header.height = Word(bytes, 2);
    header.dataSize = (std::uint32_t{bytes[4]} << 24) | (std::uint32_t{bytes[5]} << 16) |
                      (std::uint32_t{bytes[6]} << 8) | std::uint32_t{bytes[7]};
    header.pictureKind = KindOf(bytes[kKindAt]);
    header.blockSize = Word(bytes, 12);
    header.checkFlag = bytes[14];
    header.ackFlag = Word(bytes, 15);
    header.headerSum = bytes[kSumAt];
    header.headerXor = bytes[kXorAt];
    return header;
}

} // namespace transfer
