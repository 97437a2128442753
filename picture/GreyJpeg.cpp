#include "GreyJpeg.h"

#include "BmpFormat.h"
#include "Dib.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <memory>
#include <turbojpeg.h>

namespace {

struct TurboJpegHandle {
    void operator()(void* handle) const { tjDestroy(handle); }
};

// The grey level each palette index stands for, and whether that is the
// index itself (then the pixels go to the encoder as they are).
bool GreyLevels(std::span<const RgbQuad> table, std::array<std::uint8_t, 256>& levels) {
    bool identity = true;
    for (std::size_t i = 0; i < 256; ++i) {
        std::uint8_t level = 0;
        if (i < table.size()) {
            const RgbQuad& entry = table[i];
            // ITU-R BT.601 weights, as a JPEG decoder's grey conversion uses.
            level = static_cast<std::uint8_t>(
                (114 * entry.rgbBlue + 587 * entry.rgbGreen + 299 * entry.rgbRed + 500) / 1000);
        }
        levels[i] = level;
        identity = identity && level == i;
    }
    return identity;
}

} // namespace

std::vector<std::uint8_t> EncodeBmpAsJpeg(std::span<const std::uint8_t> bmp, int quality) {
    // The bitmap's own reader takes the file apart, so that the limits it
    // keeps for any file hold here too.
    CDib dib;
    if (!dib.ReadBmp(bmp)) {
        return {};
    }
    const BitmapInfoHeader& info = *dib.InfoHeader();
    const std::int64_t width = info.biWidth;
    const std::int64_t height = info.biHeight < 0 ? -std::int64_t{info.biHeight} : info.biHeight;
    if (info.biBitCount != 8 || info.biCompression != 0 || width <= 0 || height <= 0 ||
        width > 65535 || height > 65535) {
        return {};
    }
    const std::size_t stride = (static_cast<std::size_t>(width) + 3) & ~std::size_t{3};
    const std::size_t pixelBytes = stride * static_cast<std::size_t>(height);
    // A file may say its pixels are fewer than its rows need.
    if (dib.imageSize < pixelBytes) {
        return {};
    }
    std::array<std::uint8_t, 256> levels{};
    const std::uint8_t* pixels = dib.pixels;
    std::vector<std::uint8_t> mapped;
    if (!GreyLevels(dib.ColorTable(), levels)) {
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
