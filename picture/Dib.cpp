#include "Dib.h"

#include "platform/File.h"

#include <algorithm>
#include <array>
#include <limits>
#include <optional>
#include <span>
#include <utility>

namespace {

constexpr std::uint64_t kMax32 = std::numeric_limits<std::uint32_t>::max();

template <typename Source> bool ReadExactly(Source& source, void* data, std::size_t length) {
    return source.Read(data, length) == length && !source.Failed();
}

// Reads and drops length bytes; false when the source ends before them.
template <typename Source> bool Skip(Source& source, std::uint64_t length) {
    std::array<std::uint8_t, 4096> scratch;
    while (length > 0) {
        const std::size_t chunk =
            static_cast<std::size_t>(std::min<std::uint64_t>(length, scratch.size()));
        if (!ReadExactly(source, scratch.data(), chunk)) {
            return false;
        }
        length -= chunk;
    }
    return true;
}

// The bytes of a BMP file in memory, read as a file is read, so that one
// reader serves both.
class MemorySource {
public:
    explicit MemorySource(std::span<const std::uint8_t> bytes) : bytes(bytes) {}
    std::size_t Read(void* data, std::size_t length) {
        const std::size_t count = std::min(length, bytes.size() - at);
        std::copy_n(bytes.data() + at, count, static_cast<std::uint8_t*>(data));
        at += count;
        return count;
    }
    bool Failed() const { return false; }
    std::optional<std::uint64_t> RemainingLength() const { return bytes.size() - at; }

private:
    std::span<const std::uint8_t> bytes;
    std::size_t at = 0;
};

} // namespace

CDib::CDib(std::int32_t width, std::int32_t height, std::uint16_t bitCount) {
    const std::uint32_t count = ColorCountFor(0, bitCount, 0);
    hasInfo = true;
    info.biWidth = width;
    info.biHeight = height;
    info.biBitCount = bitCount;
    info.biClrUsed = count;
    info.biClrImportant = count;
    SetColorTable(std::vector<RgbQuad>(count));
    ComputeImageSize();
}

std::uint32_t CDib::ColorCountFor(std::uint32_t clrUsed, std::uint16_t bitCount,
                                  std::uint32_t current) {
    if (clrUsed != 0) {
        return clrUsed;
    }
    switch (bitCount) {
    case 1:
        return 2;
    case 4:
        return 16;
    case 8:
        return 256;
    case 16:
    case 24:
    case 32:
        return 0;
    default:
        return current;
    }
}

bool CDib::ComputeImageSize() {
    imageSizeUsable = false;
    imageSize = 0;
    if (!hasInfo || info.biSize != BitmapInfoHeader::kSize || info.biWidth < 0) {
        return false;
    }
    // In 64 bits, so that sizes from a file or a camera header cannot wrap.
    const std::uint64_t bitsPerRow =
        std::uint64_t{info.biBitCount} * static_cast<std::uint64_t>(info.biWidth);
    if (bitsPerRow > kMax32) {
        return false;
    }
    const std::uint64_t bytesPerRow = (bitsPerRow + 31) / 32 * 4;
    const std::int64_t height = info.biHeight;
    const std::uint64_t rows = static_cast<std::uint64_t>(height < 0 ? -height : height);
    const std::uint64_t computed = rows * bytesPerRow;
    if (computed > kMax32) {
        return false;
    }
    imageSize = info.biSizeImage != 0 ? info.biSizeImage : static_cast<std::uint32_t>(computed);
    imageSizeUsable = true;
    return true;
}

std::size_t CDib::InfoBlockSize() const {
    return hasInfo ? BitmapInfoHeader::kSize + RgbQuad::kSize * colorTable.size() : 0;
}

bool CDib::AllocatePixels() {
    // calloc: zeroed without touching every page, and null instead of an
    // exception when the memory cannot be had. One byte at least, so that an
    // empty picture still has pixel memory to point at.
    pixelMemory.reset(
        static_cast<std::uint8_t*>(std::calloc(std::max<std::size_t>(imageSize, 1), 1)));
    pixels = pixelMemory.get();
    return pixelMemory != nullptr;
}

std::uint8_t* CDib::CreatePixelSection() {
    if (!hasInfo || pixelMemory || !imageSizeUsable) {
        return nullptr;
    }
    AllocatePixels();
    return pixels;
}

void CDib::SetColorTable(std::vector<RgbQuad> table) {
    colorTable = std::move(table);
    colorCount = static_cast<std::int32_t>(colorTable.size());
}

bool CDib::BuildPalette() {
    if (colorTable.empty()) {
        return false;
    }
    palette.clear();
    palette.reserve(colorTable.size());
    for (const RgbQuad& entry : colorTable) {
        palette.push_back(PaletteEntry{entry.rgbRed, entry.rgbGreen, entry.rgbBlue, 0});
    }
    return true;
}

void CDib::Release() {
    hasInfo = false;
    info = BitmapInfoHeader{};
    SetColorTable({});
    imageSizeUsable = false;
    imageSize = 0;
    pixelMemory.reset();
    pixels = nullptr;
    palette.clear();
}

bool CDib::ReadBmp(platform::File& file) {
    Release();
    if (!ReadFrom(file)) {
        Release();
        return false;
    }
    return true;
}

bool CDib::ReadBmp(std::span<const std::uint8_t> bytes) {
    Release();
    MemorySource source(bytes);
    if (!ReadFrom(source)) {
        Release();
        return false;
    }
    return true;
}

template <typename Source> bool CDib::ReadFrom(Source& file) {
    const std::optional<std::uint64_t> fileLength = file.RemainingLength();

    std::array<std::uint8_t, BitmapFileHeader::kSize> fileBytes;
    if (!ReadExactly(file, fileBytes.data(), fileBytes.size())) {
        return false;
    }
    const BitmapFileHeader fileHeader = DecodeFileHeader(fileBytes);
    if (fileHeader.bfType != BitmapFileHeader::kSignature) {
        return false;
    }
    if (fileHeader.bfOffBits < BitmapFileHeader::kSize + BitmapInfoHeader::kSize) {
        return false;
    }
    // Everything between the file header and the pixels is the info block.
    const std::uint64_t infoRoom = fileHeader.bfOffBits - BitmapFileHeader::kSize;

    std::array<std::uint8_t, BitmapInfoHeader::kSize> infoBytes;
    if (!ReadExactly(file, infoBytes.data(), infoBytes.size())) {
        return false;
    }
    info = DecodeInfoHeader(infoBytes);
    hasInfo = true;
    if (info.biSize != BitmapInfoHeader::kSize || info.biClrUsed > kMaxColorCount) {
        return false;
    }
    const std::uint32_t count = ColorCountFor(info.biClrUsed, info.biBitCount, 0);
    const std::uint64_t tableBytes = std::uint64_t{RgbQuad::kSize} * count;
    if (infoRoom < BitmapInfoHeader::kSize + tableBytes) {
        return false;
    }
    std::array<std::uint8_t, RgbQuad::kSize * kMaxColorCount> tableData;
    if (!ReadExactly(file, tableData.data(), tableBytes)) {
        return false;
    }
    std::vector<RgbQuad> table(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t* entry = tableData.data() + RgbQuad::kSize * i;
        table[i] = RgbQuad{entry[0], entry[1], entry[2], entry[3]};
    }
    SetColorTable(std::move(table));

    if (!ComputeImageSize() || imageSize > kMaxReadImageSize ||
        (fileLength && imageSize > *fileLength)) {
        return false;
    }
    // What lies between the colour table and the pixels (bit masks, a gap)
    // is not kept: a written file has its pixels right behind the table.
    if (!Skip(file, infoRoom - BitmapInfoHeader::kSize - tableBytes)) {
        return false;
    }
    BuildPalette();

    if (!AllocatePixels()) {
        return false;
    }
    // A file cut short inside its pixels is still a picture; the missing
    // bytes stay zero.
    file.Read(pixels, imageSize);
    return !file.Failed();
}

bool CDib::WriteBmp(platform::File& file) {
    return WriteTo(file);
}

std::vector<std::uint8_t> CDib::Headers() const {
    BitmapFileHeader fileHeader;
    fileHeader.bfOffBits = static_cast<std::uint32_t>(BitmapFileHeader::kSize + InfoBlockSize());

    std::vector<std::uint8_t> headers;
    headers.reserve(fileHeader.bfOffBits);
    const auto fileBytes = EncodeFileHeader(fileHeader);
    headers.insert(headers.end(), fileBytes.begin(), fileBytes.end());
    const auto infoBytes = EncodeInfoHeader(info);
    headers.insert(headers.end(), infoBytes.begin(), infoBytes.end());
    for (const RgbQuad& entry : colorTable) {
        headers.insert(headers.end(),
                       {entry.rgbBlue, entry.rgbGreen, entry.rgbRed, entry.rgbReserved});
    }
    return headers;
}

bool CDib::WriteTo(platform::File& file) const {
    if (!hasInfo || !pixelMemory) {
        return false;
    }
    const std::vector<std::uint8_t> headers = Headers();
    return file.Write(headers.data(), headers.size()) && file.Write(pixels, imageSize);
}

std::vector<std::uint8_t> CDib::BmpFileBytes() const {
    if (!hasInfo || !pixelMemory) {
        return {};
    }
    std::vector<std::uint8_t> bytes = Headers();
    const std::uint8_t* memory = pixelMemory.get();
    bytes.insert(bytes.end(), memory, memory + imageSize);
    return bytes;
}

bool CDib::Serialize(platform::File& file, Direction direction) {
    return direction == Direction::Store ? WriteBmp(file) : ReadBmp(file);
}
