// Feeds arbitrary bytes as a BMP file to the grey JPEG encoding that the
// browser view and the broker use for uncompressed pictures. What it makes
// must be a JPEG of the bitmap's size, and only of a bitmap the bitmap's own
// reader takes.

#include "picture/Dib.h"
#include "picture/GreyJpeg.h"

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <span>
#include <turbojpeg.h>
#include <vector>

namespace {

struct TurboJpegHandle {
    void operator()(void* handle) const { tjDestroy(handle); }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bmp(data, size);
    const std::vector<std::uint8_t> jpeg = EncodeBmpAsJpeg(bmp, kGreyJpegQuality);
    CDib dib;
    const bool read = dib.ReadBmp(bmp);
    if (jpeg.empty()) {
        return 0;
    }
    if (!read) {
        std::abort(); // encoded what the bitmap's reader refuses
    }
    std::unique_ptr<void, TurboJpegHandle> decoder(tjInitDecompress());
    int width = 0;
    int height = 0;
    int subsampling = 0;
    int colours = 0;
    if (!decoder || tjDecompressHeader3(decoder.get(), jpeg.data(), jpeg.size(), &width, &height,
                                        &subsampling, &colours) != 0) {
        std::abort();
    }
    const BitmapInfoHeader& info = *dib.InfoHeader();
    const std::int64_t rows = info.biHeight < 0 ? -std::int64_t{info.biHeight} : info.biHeight;
    if (width != info.biWidth || height != rows || colours != TJCS_GRAY) {
        std::abort();
    }
    return 0;
}
