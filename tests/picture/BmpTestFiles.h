#pragma once

#include "picture/Dib.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace bmptest {

// A BMP file put together field by field with its own little-endian writer,
// independent of the code under test, so that tests can make any header.
struct TestBmp {
    std::string signature = "BM";
    std::uint32_t bfSize = 0;
    std::uint32_t bfOffBits = 0; // 0: right behind the table and the gap
    std::uint32_t biSize = 40;
    std::int32_t biWidth = 4;
    std::int32_t biHeight = 2;
    std::uint16_t biPlanes = 1;
    std::uint16_t biBitCount = 8;
    std::uint32_t biCompression = 0;
    std::uint32_t biSizeImage = 0;
    std::uint32_t biClrUsed = 0;
    std::uint32_t biClrImportant = 0;
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
