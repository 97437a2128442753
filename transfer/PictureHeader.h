#pragma once

#include "PictureKind.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace transfer {

// The 19 bytes that follow the synchronisation pair, big-endian.
inline constexpr std::size_t kHeaderSize = 19;

struct PictureHeader {
    std::uint16_t width = 0;
    std::uint16_t height = 0;
    std::uint32_t dataSize = 0; // picture bytes, check bytes not counted
    PictureKind pictureKind = PictureKind::UncompressedPixels;
    std::uint16_t blockSize = 0; // 0: blocks of 100 without per-block checks or acks
    std::uint8_t checkFlag = 0;
    std::uint16_t ackFlag = 0;
    std::uint8_t headerSum = 0;
    std::uint8_t headerXor = 0;
};

using HeaderBytes = std::array<std::uint8_t, kHeaderSize>;

// Sum modulo 256 and exclusive-or of bytes 0 to 16.
std::uint8_t HeaderSum(const HeaderBytes& bytes);
std::uint8_t HeaderXor(const HeaderBytes& bytes);
// Both checks of bytes 17 and 18.
bool HeaderChecksPass(const HeaderBytes& bytes);

PictureHeader DecodeHeader(const HeaderBytes& bytes);

} // namespace transfer
