#include "JpegSize.h"

#include <cstddef>

namespace camsim {

namespace {

bool IsStartOfFrame(std::uint8_t marker) {
    // C4 (Huffman tables), C8 (reserved) and CC (arithmetic coding) share the
    // range without being frames.
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

bool StandsAlone(std::uint8_t marker) {
    return marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8);
}

} // namespace

std::optional<PictureSize> JpegSize(std::span<const std::uint8_t> file) {
    if (file.size() < 4 || file[0] != 0xFF || file[1] != 0xD8) {
        return std::nullopt;
    }
    std::size_t at = 2;
    while (at + 1 < file.size()) {
        if (file[at] != 0xFF) {
            return std::nullopt;
        }
        const std::uint8_t marker = file[at + 1];
        if (marker == 0xFF) {
            ++at; // fill byte
            continue;
        }
        at += 2;
        if (StandsAlone(marker)) {
            continue;
        }
        if (marker == 0xD9 || marker == 0xDA || at + 2 > file.size()) {
            return std::nullopt; // end of image or scan data before any frame
        }
        const std::size_t length = (std::size_t{file[at]} << 8) | file[at + 1];
        if (length < 2 || at + length > file.size()) {
            return std::nullopt;
        }
        if (IsStartOfFrame(marker)) {
            if (length < 7) {
                return std::nullopt;
            }
            PictureSize size;
            size.height = static_cast<std::uint16_t>((file[at + 3] << 8) | file[at + 4]);
            size.width = static_cast<std::uint16_t>((file[at + 5] << 8) | file[at + 6]);
            return size;
        }
        at += length;
    }
    return std::nullopt;
}

} // namespace camsim
