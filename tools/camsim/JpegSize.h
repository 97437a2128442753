#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace camsim {

struct PictureSize {
    std::uint16_t width = 0;
    std::uint16_t height = 0;
};

// The size a JPEG file declares in its start-of-frame segment; none when the
// bytes are not a JPEG file or end before that segment.
std::optional<PictureSize> JpegSize(std::span<const std::uint8_t> file);

} // namespace camsim
