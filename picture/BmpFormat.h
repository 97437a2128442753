#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// The two headers and the colour entry of a BMP file, with the field names of
// the published format. In the file they are little-endian and packed; these
// structs are the unpacked values, turned into bytes and back below.

struct BitmapFileHeader {
    static constexpr std::size_t kSize = 14;
    static constexpr std::uint16_t kSignature = 0x4D42; // "BM" read little-endian

    std::uint16_t bfType = kSignature;
    std::uint32_t bfSize = 0;
    std::uint16_t bfReserved1 = 0;
    std::uint16_t bfReserved2 = 0;
    std::uint32_t bfOffBits = 0;
};

struct BitmapInfoHeader {
    static constexpr std::size_t kSize = 40;

    std::uint32_t biSize = kSize;
    std::int32_t biWidth = 0;
    std::int32_t biHeight = 0; // negative: rows stored top-down
    std::uint16_t biPlanes = 1;
    std::uint16_t biBitCount = 0;
    std::uint32_t biCompression = 0;
    std::uint32_t biSizeImage = 0;
    std::int32_t biXPelsPerMeter = 0;
    std::int32_t biYPelsPerMeter = 0;
    std::uint32_t biClrUsed = 0;
    std::uint32_t biClrImportant = 0;
};

// One entry of the colour table, in file order.
struct RgbQuad {
    static constexpr std::size_t kSize = 4;

    std::uint8_t rgbBlue = 0;
    std::uint8_t rgbGreen = 0;
    std::uint8_t rgbRed = 0;
    std::uint8_t rgbReserved = 0;
};

std::array<std::uint8_t, BitmapFileHeader::kSize> EncodeFileHeader(const BitmapFileHeader& header);
BitmapFileHeader DecodeFileHeader(const std::array<std::uint8_t, BitmapFileHeader::kSize>& bytes);

std::array<std::uint8_t, BitmapInfoHeader::kSize> EncodeInfoHeader(const BitmapInfoHeader& header);
BitmapInfoHeader DecodeInfoHeader(const std::array<std::uint8_t, BitmapInfoHeader::kSize>& bytes);
