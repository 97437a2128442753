#pragma once

#include "PictureKind.h"

#include <chrono>
#include <cstdint>
#include <vector>

namespace transfer {

// A good picture as the transfer made it, shared read-only by every listener
// of the run: the bytes of its file (the JPEG as received, or the BMP file of
// an uncompressed picture), so that nobody has to read the file back.
struct Picture {
    std::vector<std::uint8_t> bytes;
    PictureKind kind = PictureKind::Jpeg;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::uint64_t number = 0;
    std::chrono::system_clock::time_point time;
};

} // namespace transfer
