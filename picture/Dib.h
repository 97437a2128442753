#pragma once

#include "picture/BmpFormat.h"
#include "picture/OwnerWritable.h"
#include "platform/NoCopy.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

namespace platform {
class File;
}

// One palette colour, built from a colour-table entry.
struct PaletteEntry {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    std::uint8_t flags = 0;
};

// A device-independent bitmap in memory: a 40-byte info header with its colour
// table, and the pixel memory, rows padded to multiples of 4 bytes. The object
// owns all of it. It is empty (no info), sized (info, no pixel memory yet) or
// complete (pixel memory present). A failure gives false; the caller decides
// how the operator hears of it, in the words below. One thread at a time may
// use an object.
class CDib : private platform::NoCopy {
public:
    // What the operator is told of a refused read and a failed write.
    static constexpr std::string_view kReadError = "Read error";
    static constexpr std::string_view kWriteError = "write error";
    // Limits on what ReadBmp accepts from a file that anyone may hand it.
    static constexpr std::uint32_t kMaxReadImageSize = 256u * 1024 * 1024;
    static constexpr std::uint32_t kMaxColorCount = 256;

    enum class Direction { Load, Store };

    CDib() = default;
    // A sized bitmap with a black colour table of as many entries as bitCount
    // implies (2, 16, 256 or none). Sizes whose pixel memory cannot be
    // described in 32 bits leave the bitmap sized with an imageSize of 0, and
    // CreatePixelSection then refuses.
    CDib(std::int32_t width, std::int32_t height, std::uint16_t bitCount);
    ~CDib() = default;

    // Creates the zero-filled pixel memory of a sized bitmap and returns it.
    // Null, with nothing changed, when the bitmap is empty, already has pixel
    // memory, has an unusable size or the memory cannot be had.
    std::uint8_t* CreatePixelSection();

    // Builds the palette from the colour table; false when there is none.
    bool BuildPalette();

    // Replaces the bitmap with the BMP file read from the file's position.
    // On any refusal the bitmap is left empty and the result is false.
    bool ReadBmp(platform::File& file);
    // The same from a BMP file's bytes in memory.
    bool ReadBmp(std::span<const std::uint8_t> bytes);

    // Writes the file header (bfSize 0, pixels at 54 + 4 x colorCount), the
    // info header, the colour table and the pixel memory at the file's
    // position. A bitmap without pixel memory writes nothing; it and a failed
    // write give false.
    bool WriteBmp(platform::File& file);
    // The bytes WriteBmp writes, in memory; none for a bitmap without pixel
    // memory.
    std::vector<std::uint8_t> BmpFileBytes() const;

    // Reads (Load) or writes (Store) the bitmap as a BMP file.
    bool Serialize(platform::File& file, Direction direction);

    // Frees everything and leaves the bitmap empty.
    void Release();

    // Read by the owner (pixels and imageSize to fill the picture) and changed
    // only by the bitmap, so that they always describe what it holds: pixels
    // is null until the pixel memory exists and then has imageSize bytes;
    // colorCount is the number of entries in the colour table.
    OwnerWritable<std::uint8_t*, CDib> pixels;
    OwnerWritable<std::uint32_t, CDib> imageSize;
    OwnerWritable<std::int32_t, CDib> colorCount;

    // Null for an empty bitmap.
    const BitmapInfoHeader* InfoHeader() const { return hasInfo ? &info : nullptr; }
    // The info header and the colour table, as written: 40 + 4 x colorCount.
    std::size_t InfoBlockSize() const;
    std::span<RgbQuad> ColorTable() { return colorTable; }
    std::span<const RgbQuad> ColorTable() const { return colorTable; }
    // Empty until BuildPalette has run on a bitmap with a colour table.
    const std::vector<PaletteEntry>& Palette() const { return palette; }

private:
    struct FreeMemory {
        void operator()(std::uint8_t* memory) const { std::free(memory); }
    };

    // Entries of the colour table: biClrUsed when given, else as the bit
    // count implies; other bit counts keep current.
    static std::uint32_t ColorCountFor(std::uint32_t clrUsed, std::uint16_t bitCount,
                                       std::uint32_t current);
    // Sets the pixel memory size from the info header; false when the header
    // is not the 40-byte kind or its rows cannot be described in 32 bits.
    bool ComputeImageSize();
    bool AllocatePixels();
    void SetColorTable(std::vector<RgbQuad> table);
    template <typename Source> bool ReadFrom(Source& source);
    // The file header, the info header and the colour table, as written.
    std::vector<std::uint8_t> Headers() const;
    bool WriteTo(platform::File& file) const;

    bool hasInfo = false;
    BitmapInfoHeader info;
    std::vector<RgbQuad> colorTable;
    bool imageSizeUsable = false;
    std::unique_ptr<std::uint8_t, FreeMemory> pixelMemory;
    std::vector<PaletteEntry> palette;
};
