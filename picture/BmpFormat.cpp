#include "BmpFormat.h"

namespace {

// Little-endian cursor over a fixed byte array; the callers' arrays have
// exactly the room their fields take, so no bounds are checked here.
class Writer {
public:
    explicit Writer(std::uint8_t* out) : next(out) {}

    void U16(std::uint16_t value) {
        *next++ = static_cast<std::uint8_t>(value);
        *next++ = static_cast<std::uint8_t>(value >> 8);
    }
    void U32(std::uint32_t value) {
        U16(static_cast<std::uint16_t>(value));
        U16(static_cast<std::uint16_t>(value >> 16));
    }
    void I32(std::int32_t value) { U32(static_cast<std::uint32_t>(value)); }

private:
    std::uint8_t* next;
};

class Reader {
public:
    explicit Reader(const std::uint8_t* in) : next(in) {}

    std::uint16_t U16() {
        const std::uint16_t value = static_cast<std::uint16_t>(next[0] | next[1] << 8);
        next += 2;
        return value;
    }
    std::uint32_t U32() {
        const std::uint32_t low = U16();
        return low | static_cast<std::uint32_t>(U16()) << 16;
    }
    std::int32_t I32() { return static_cast<std::int32_t>(U32()); }

private:
    const std::uint8_t* next;
};

} // namespace

std::array<std::uint8_t, BitmapFileHeader::kSize> EncodeFileHeader(const BitmapFileHeader& header) {
    std::array<std::uint8_t, BitmapFileHeader::kSize> bytes{};
    Writer out(bytes.data());
    out.U16(header.bfType);
    out.U32(header.bfSize);
    out.U16(header.bfReserved1);
    out.U16(header.bfReserved2);
    out.U32(header.bfOffBits);
    return bytes;
}

BitmapFileHeader DecodeFileHeader(const std::array<std::uint8_t, BitmapFileHeader::kSize>& bytes) {
    Reader in(bytes.data());
    BitmapFileHeader header;
    header.bfType = in.U16();
    header.bfSize = in.U32();
    header.bfReserved1 = in.U16();
    header.bfReserved2 = in.U16();
    header.bfOffBits = in.U32();
    return header;
}

std::array<std::uint8_t, BitmapInfoHeader::kSize> EncodeInfoHeader(const BitmapInfoHeader& header) {
    std::array<std::uint8_t, BitmapInfoHeader::kSize> bytes{};
    Writer out(bytes.data());
    out.U32(header.biSize);
    out.I32(header.biWidth);
    out.I32(header.biHeight);
    out.U16(header.biPlanes);
    out.U16(header.biBitCount);
    out.U32(header.biCompression);
    out.U32(header.biSizeImage);
    out.I32(header.biXPelsPerMeter);
    out.I32(header.biYPelsPerMeter);
    out.U32(header.biClrUsed);
    out.U32(header.biClrImportant);
    return bytes;
}

BitmapInfoHeader DecodeInfoHeader(const std::array<std::uint8_t, BitmapInfoHeader::kSize>& bytes) {
    Reader in(bytes.data());
    BitmapInfoHeader header;
    header.biSize = in.U32();
    header.biWidth = in.I32();
    header.biHeight = in.I32();
    header.biPlanes = in.U16();
    header.biBitCount = in.U16();
    header.biCompression = in.U32();
    header.biSizeImage = in.U32();
    header.biXPelsPerMeter = in.I32();
    header.biYPelsPerMeter = in.I32();
    header.biClrUsed = in.U32();
    header.biClrImportant = in.U32();
    return header;
}
