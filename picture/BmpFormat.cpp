#include "BmpFormat.h"

namespace {

// Little-endian cursors over a fixed byte array; the callers' arrays have
// exactly the room their fields take, so no bounds are checked here.
class Writer {
public:
    explicit Writer(std::uint8_t* out) : next(out) {}

    void Field(std::uint16_t value) {
        *next++ = static_cast<std::uint8_t>(value);
        *next++ = static_cast<std::uint8_t>(value >> 8);
    }
    void Field(std::uint32_t value) {
        Field(static_cast<std::uint16_t>(value));
        Field(static_cast<std::uint16_t>(value >> 16));
    }
    void Field(std::int32_t value) { Field(static_cast<std::uint32_t>(value)); }

private:
    std::uint8_t* next;
};

class Reader {
public:
    explicit Reader(const std::uint8_t* in) : next(in) {}

    void Field(std::uint16_t& value) {
        value = static_cast<std::uint16_t>(next[0] | next[1] << 8);
        next += 2;
    }
    void Field(std::uint32_t& value) {
        std::uint16_t low = 0;
        std::uint16_t high = 0;
        Field(low);
        Field(high);
        value = low | static_cast<std::uint32_t>(high) << 16;
    }
    void Field(std::int32_t& value) {
        std::uint32_t bits = 0;
        Field(bits);
        value = static_cast<std::int32_t>(bits);
    }

private:
    const std::uint8_t* next;
};

// Each header's fields in file order, handed to a Writer or a Reader: the one
// description of the layout, for both ways.
template <typename Cursor, typename Header> void FileHeaderFields(Cursor& cursor, Header& header) {
    cursor.Field(header.bfType);
    cursor.Field(header.bfSize);
    cursor.Field(header.bfReserved1);
    cursor.Field(header.bfReserved2);
    cursor.Field(header.bfOffBits);
}

template <typename Cursor, typename Header> void InfoHeaderFields(Cursor& cursor, Header& header) {
    cursor.Field(header.biSize);
    cursor.Field(header.biWidth);
    cursor.Field(header.biHeight);
    cursor.Field(header.biPlanes);
    cursor.Field(header.biBitCount);
    cursor.Field(header.biCompression);
    cursor.Field(header.biSizeImage);
    cursor.Field(header.biXPelsPerMeter);
    cursor.Field(header.biYPelsPerMeter);
    cursor.Field(header.biClrUsed);
    cursor.Field(header.biClrImportant);
}

} // namespace

std::array<std::uint8_t, BitmapFileHeader::kSize> EncodeFileHeader(const BitmapFileHeader& header) {
    std::array<std::uint8_t, BitmapFileHeader::kSize> bytes{};
    Writer out(bytes.data());
    FileHeaderFields(out, header);
    return bytes;
}

BitmapFileHeader DecodeFileHeader(const std::array<std::uint8_t, BitmapFileHeader::kSize>& bytes) {
    Reader in(bytes.data());
    BitmapFileHeader header;
    FileHeaderFields(in, header);
    return header;
}

std::array<std::uint8_t, BitmapInfoHeader::kSize> EncodeInfoHeader(const BitmapInfoHeader& header) {
    std::array<std::uint8_t, BitmapInfoHeader::kSize> bytes{};
    Writer out(bytes.data());
    InfoHeaderFields(out, header);
    return bytes;
}

BitmapInfoHeader DecodeInfoHeader(const std::array<std::uint8_t, BitmapInfoHeader::kSize>& bytes) {
    Reader in(bytes.data());
    BitmapInfoHeader header;
    InfoHeaderFields(in, header);
    return header;
}
