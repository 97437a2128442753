#pragma once

#include "picture/Dib.h"

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace bmptest {

// A BMP file put together field by field with its own little-endian writer,
// independent of the code under test, so that tests can make any header.
struct TestBmp {
    // An 8-bit 4x2 picture with a full table.
    TestBmp() {
        info.biWidth = 4;
        info.biHeight = 2;
        info.biBitCount = 8;
    }

    std::string signature = "BM";
    std::uint32_t bfSize = 0;
    std::uint32_t bfOffBits = 0; // 0: right behind the table and the gap
    BitmapInfoHeader info;
    std::size_t tableEntries = 256; // written as TableEntry(i)
    std::string gap;                // bytes between the table and the pixels
    std::string pixels;

    // The file's bytes; cut short to cutAt bytes when given.
    std::string Bytes(std::size_t cutAt = std::string::npos) const;
};

// Entry i of a test colour table: distinct red, green and blue.
RgbQuad TableEntry(std::size_t i);
// An entry as the little-endian 32-bit value it is in a file, so that
// entries compare, and print, as one number.
std::uint32_t EntryValue(const RgbQuad& entry);

// What a bitmap's size comes to: its width, height and depth as its info
// header has them, the entries of its colour table and its pixel bytes.
struct DibShape {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::uint16_t bitCount = 0;
    std::int32_t colors = 0;
    std::uint32_t imageSize = 0;

    bool operator==(const DibShape&) const = default;
};
std::ostream& operator<<(std::ostream& out, const DibShape& shape);

// The shape of a bitmap that has its info; throws for an empty one.
DibShape ShapeOf(const CDib& dib);

// Reads bytes as a BMP file through a temporary file.
bool ReadBmpBytes(std::string_view bytes, CDib& dib);
// Writes dib to a temporary file and returns the file's bytes; written is
// WriteBmp's result.
std::string WriteBmpBytes(CDib& dib, bool& written);

// Little-endian fields of a byte string, read by the tests.
std::uint16_t U16At(std::string_view bytes, std::size_t offset);
std::uint32_t U32At(std::string_view bytes, std::size_t offset);

// Fills pixel memory with a pattern that differs from row to row.
void FillPattern(CDib& dib);
std::uint8_t PatternByte(std::size_t index);

} // namespace bmptest
