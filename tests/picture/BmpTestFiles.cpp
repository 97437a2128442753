#include "BmpTestFiles.h"

#include "platform/File.h"
#include "tests/support/TempDir.h"

#include <stdexcept>

namespace bmptest {

namespace {

void PutU16(std::string& out, std::uint16_t value) {
    out.push_back(static_cast<char>(value & 0xFF));
    out.push_back(static_cast<char>(value >> 8));
}

void PutU32(std::string& out, std::uint32_t value) {
    PutU16(out, static_cast<std::uint16_t>(value & 0xFFFF));
    PutU16(out, static_cast<std::uint16_t>(value >> 16));
}

} // namespace

RgbQuad TableEntry(std::size_t i) {
    return RgbQuad{static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(255 - i),
                   static_cast<std::uint8_t>(i * 7 + 3), 0};
}

std::uint32_t EntryValue(const RgbQuad& entry) {
    return entry.rgbBlue | entry.rgbGreen << 8 | entry.rgbRed << 16 |
           static_cast<std::uint32_t>(entry.rgbReserved) << 24;
}

std::string TestBmp::Bytes(std::size_t cutAt) const {
    std::string out;
    out += signature.substr(0, 2);
    PutU32(out, bfSize);
    PutU16(out, 0);
    PutU16(out, 0);
    const std::size_t natural = 14 + 40 + 4 * tableEntries + gap.size();
    PutU32(out, bfOffBits != 0 ? bfOffBits : static_cast<std::uint32_t>(natural));
    PutU32(out, info.biSize);
    PutU32(out, static_cast<std::uint32_t>(info.biWidth));
    PutU32(out, static_cast<std::uint32_t>(info.biHeight));
    PutU16(out, info.biPlanes);
    PutU16(out, info.biBitCount);
    PutU32(out, info.biCompression);
    PutU32(out, info.biSizeImage);
    PutU32(out, static_cast<std::uint32_t>(info.biXPelsPerMeter));
    PutU32(out, static_cast<std::uint32_t>(info.biYPelsPerMeter));
    PutU32(out, info.biClrUsed);
    PutU32(out, info.biClrImportant);
    for (std::size_t i = 0; i < tableEntries; ++i) {
        const RgbQuad entry = TableEntry(i);
        out.push_back(static_cast<char>(entry.rgbBlue));
        out.push_back(static_cast<char>(entry.rgbGreen));
        out.push_back(static_cast<char>(entry.rgbRed));
        out.push_back(static_cast<char>(entry.rgbReserved));
    }
    out += gap;
    out += pixels;
    return cutAt < out.size() ? out.substr(0, cutAt) : out;
}

std::ostream& operator<<(std::ostream& out, const DibShape& shape) {
    return out << shape.width << "x" << shape.height << "x" << shape.bitCount << ", "
               << shape.colors << " colours, " << shape.imageSize << " pixel bytes";
}

DibShape ShapeOf(const CDib& dib) {
    const BitmapInfoHeader* info = dib.InfoHeader();
    if (info == nullptr) {
        throw std::invalid_argument("an empty bitmap has no shape");
    }
    return DibShape{info->biWidth, info->biHeight, info->biBitCount, dib.colorCount, dib.imageSize};
}

bool ReadBmpBytes(std::string_view bytes, CDib& dib) {
    testsupport::TempDir folder;
    const std::string path = folder / "in.bmp";
    testsupport::WriteFile(path, bytes);
    platform::File file;
    if (!file.OpenForReading(path)) {
        throw std::runtime_error("cannot open " + path);
    }
    return dib.ReadBmp(file);
}

std::string WriteBmpBytes(CDib& dib, bool& written) {
    testsupport::TempDir folder;
    const std::string path = folder / "out.bmp";
    platform::File file;
    if (!file.Create(path)) {
        throw std::runtime_error("cannot create " + path);
    }
    written = dib.WriteBmp(file);
    file.Close();
    return testsupport::ReadFile(path);
}

std::uint16_t U16At(std::string_view bytes, std::size_t offset) {
    return static_cast<std::uint16_t>(static_cast<std::uint8_t>(bytes.at(offset)) |
                                      static_cast<std::uint8_t>(bytes.at(offset + 1)) << 8);
}

std::uint32_t U32At(std::string_view bytes, std::size_t offset) {
    return U16At(bytes, offset) | static_cast<std::uint32_t>(U16At(bytes, offset + 2)) << 16;
}

std::uint8_t PatternByte(std::size_t index) {
    return static_cast<std::uint8_t>((index * 31 + index / 641) % 251 + 1);
}

void FillPattern(CDib& dib) {
    for (std::size_t i = 0; i < dib.imageSize; ++i) {
        dib.pixels[i] = PatternByte(i);
    }
}

} // namespace bmptest
