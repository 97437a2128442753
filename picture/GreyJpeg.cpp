#include "GreyJpeg.h"

#include "BmpFormat.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <memory>
#include <turbojpeg.h>

namespace {

struct TurboJpegHandle {
    void operator()(void* handle) const { tjDestroy(handle); }
};

template <std::size_t N> std::array<std::uint8_t, N> Take(std::span<const std::uint8_t> bytes) {
    std::array<std::uint8_t, N> part{};
    std::copy_n(bytes.begin(), N, part.begin());
    return part;
}

// The grey level each palette index stands for, and whether that is the
// index itself (then the pixels go to the encoder as they are).
bool GreyLevels(std::span<const std::uint8_t> table, std::array<std::uint8_t, 256>& levels) {
    bool identity = true;
    for (std::size_t i = 0; i < 256; ++i) {
        std::uint8_t level = 0;
        if (i * RgbQuad::kSize + 3 <= table.size()) {
            const auto* entry = table.data() + i * RgbQuad::kSize;
            // ITU-R BT.601 weights, as a JPEG decoder's grey conversion uses.
            level = static_cast<std::uint8_t>(
                (114 * entry[0] + 587 * entry[1] + 299 * entry[2] + 500) / 1000);
        }
        levels[i] = level;
        identity = identity && level == i;
    }
    return identity;
}

} // namespace

std::vector<std::uint8_t> EncodeBmpAsJpeg(std::span<const std::uint8_t> bmp, int quality) {
    constexpr std::size_t kHeaders = BitmapFileHeader::kSize + BitmapInfoHeader::kSize;
    if (bmp.size() < kHeaders) {
        return {};
    }
    const BitmapFileHeader file = DecodeFileHeader(Take<BitmapFileHeader::kSize>(bmp));
    const BitmapInfoHeader info =
        DecodeInfoHeader(Take<BitmapInfoHeader::kSize>(bmp.subspan(BitmapFileHeader::kSize)));
    const std::int64_t width = info.biWidth;
    const std::int64_t height = info.biHeight < 0 ? -std::int64_t{info.biHeight} : info.biHeight;
    if (file.bfType != BitmapFileHeader::kSignature || info.biSize != BitmapInfoHeader::kSize ||
        info.biBitCount != 8 || info.biCompression != 0 || width <= 0 || height <= 0 ||
        width > 65535 || height > 65535) {
        return {};
    }
    const std::size_t colours =
        info.biClrUsed != 0 ? std::min<std::uint32_t>(info.biClrUsed, 256) : 256;
    const std::size_t tableAt = kHeaders;
    const std::size_t pixelsAt =
        file.bfOffBits != 0 ? file.bfOffBits : tableAt + colours * RgbQuad::kSize;
    const std::size_t stride = (static_cast<std::size_t>(width) + 3) & ~std::size_t{3};
    const std::size_t pixelBytes = stride * static_cast<std::size_t>(height);
    if (pixelsAt < tableAt || pixelsAt > bmp.size() || bmp.size() - pixelsAt < pixelBytes) {
        return {};
    }
    const auto table = bmp.subspan(tableAt, std::min(colours * RgbQuad::kSize, pixelsAt - tableAt));
    std::array<std::uint8_t, 256> levels{};
    const std::uint8_t* pixels = bmp.data() + pixelsAt;
    std::vector<std::uint8_t> mapped;
    if (!GreyLevels(table, levels)) {
        mapped.resize(pixelBytes);
        std::transform(pixels, pixels + pixelBytes, mapped.begin(),
                       [&](std::uint8_t index) { return levels[index]; });
        pixels = mapped.data();
    }

    std::unique_ptr<void, TurboJpegHandle> encoder(tjInitCompress());
    if (!encoder) {
        return {};
    }
    unsigned char* jpeg = nullptr;
    unsigned long jpegSize = 0;
    // A positive height means bottom-up rows, which TurboJPEG turns over itself.
    const int flags = info.biHeight > 0 ? TJFLAG_BOTTOMUP : 0;
    const int failed = tjCompress2(encoder.get(), pixels, static_cast<int>(width),
                                   static_cast<int>(stride), static_cast<int>(height), TJPF_GRAY,
                                   &jpeg, &jpegSize, TJSAMP_GRAY, quality, flags);
    std::vector<std::uint8_t> encoded;
    if (failed == 0 && jpeg != nullptr) {
        encoded.assign(jpeg, jpeg + jpegSize);
    }
    tjFree(jpeg);
    return encoded;
}
