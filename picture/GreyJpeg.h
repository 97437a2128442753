#pragma once

#include <cstdint>
#include <span>
#include <vector>

// The quality the program makes its grey pictures JPEG with.
inline constexpr int kGreyJpegQuality = 90;

// An 8-bit BMP file, as the transfer stores an uncompressed camera picture,
// encoded as a grey JPEG that stands upright (the file keeps its rows
// bottom-up). Each pixel's grey level is the luminance of its colour-table
// entry, which for the camera's grey ramp is the stored value itself. Empty
// when the bytes are not such a BMP or the encoder fails.
std::vector<std::uint8_t> EncodeBmpAsJpeg(std::span<const std::uint8_t> bmp, int quality);
