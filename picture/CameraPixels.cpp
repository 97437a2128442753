#include "CameraPixels.h"

#include <algorithm>
#include <cstring>

void SetGreyRamp(CDib& dib) {
    const std::span<RgbQuad> table = dib.ColorTable();
    for (std::size_t i = 0; i < table.size(); ++i) {
        const auto grey = static_cast<std::uint8_t>(i);
        table[i] = RgbQuad{grey, grey, grey, 0};
    }
}

void PlaceCameraBytes(CDib& dib, std::uint64_t at, std::span<const std::uint8_t> bytes) {
    const BitmapInfoHeader* info = dib.InfoHeader();
    if (info == nullptr || dib.pixels == nullptr || info->biBitCount != 8 || info->biWidth <= 0 ||
        info->biHeight <= 0) {
        return;
    }
    const auto width = static_cast<std::uint64_t>(info->biWidth);
    const auto height = static_cast<std::uint64_t>(info->biHeight);
    const std::uint64_t rowBytes = (width + 3) / 4 * 4;
    // A header's own image size may be smaller than its rows need.
    if (rowBytes * height > dib.imageSize) {
        return;
    }
    // One copy per piece of a camera row.
    while (!bytes.empty() && at < width * height) {
        const std::uint64_t row = at / width;
        const std::uint64_t column = at % width;
        const std::size_t run =
            static_cast<std::size_t>(std::min<std::uint64_t>(bytes.size(), width - column));
        std::memcpy(dib.pixels + (height - 1 - row) * rowBytes + column, bytes.data(), run);
        at += run;
        bytes = bytes.subspan(run);
    }
}
