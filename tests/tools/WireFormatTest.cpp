// The camera's encoding of headers, blocks and hex text, and its reading of
// JPEG sizes, without a line.

#include "tools/camsim/WireFormat.h"
#include "LineEnd.h"
#include "tools/camsim/JpegSize.h"

#include <fstream>
#include <gtest/gtest.h>
#include <iterator>

namespace camsimtest {
namespace {

using camsim::BlockBounds;
using camsim::Encoding;

std::vector<std::uint32_t> Lengths(const std::vector<BlockBounds>& blocks) {
    std::vector<std::uint32_t> lengths;
    std::uint32_t offset = 0;
    for (const BlockBounds& block : blocks) {
        EXPECT_EQ(block.offset, offset);
        offset += block.length;
        lengths.push_back(block.length);
    }
    return lengths;
}

TEST(WireFormat, WorkedHeader) {
    camsim::OutgoingPicture outgoing;
    outgoing.data.resize(12345);
    const auto header = camsim::HeaderBytes(outgoing);
    EXPECT_EQ(Bytes(header.begin(), header.end()),
              (Bytes{0x02, 0x80, 0x01, 0xE0, 0x00, 0x00, 0x30, 0x39, 0x01, 0x00, 0x00, 0x00, 0x01,
                     0x00, 0x01, 0x00, 0x01, 0xD0, 0x6A}));
}

TEST(WireFormat, HeaderFieldsAreBigEndianAndAllChecked) {
    camsim::OutgoingPicture outgoing;
    outgoing.data.resize(0x01020304);
    outgoing.width = 0xA1B2;
    outgoing.height = 0xC3D4;
    outgoing.kind = 0;
    outgoing.reserved = {0x11, 0x22, 0x33};
    outgoing.blockSize = 0xBEEF;
    outgoing.checkFlag = 0x7F;
    outgoing.ackFlag = 0x0100;
    const auto header = camsim::HeaderBytes(outgoing);
    const Bytes fields{0xA1, 0xB2, 0xC3, 0xD4, 0x01, 0x02, 0x03, 0x04, 0x00,
                       0x11, 0x22, 0x33, 0xBE, 0xEF, 0x7F, 0x01, 0x00};
    EXPECT_EQ(Bytes(header.begin(), header.begin() + 17), fields);
    std::uint8_t sum = 0;
    for (std::uint8_t byte : fields) {
        sum = static_cast<std::uint8_t>(sum + byte);
    }
    EXPECT_EQ(header[17], sum);
    EXPECT_EQ(header[18], XorOf(fields));
}

TEST(WireFormat, BlocksOfTheDataPhase) {
    const std::vector<std::uint32_t> worked = Lengths(camsim::PlanBlocks(12345, 256));
    ASSERT_EQ(worked.size(), 49u);
    EXPECT_EQ(worked.front(), 256u);
    EXPECT_EQ(worked.back(), 57u);
    EXPECT_EQ(Lengths(camsim::PlanBlocks(250, 0)), (std::vector<std::uint32_t>{100, 100, 50}));
    EXPECT_EQ(Lengths(camsim::PlanBlocks(10, 256)), (std::vector<std::uint32_t>{10}));
    EXPECT_EQ(Lengths(camsim::PlanBlocks(512, 256)), (std::vector<std::uint32_t>{256, 256}));
    // Without data the receiver still reads one (empty) block of a non-zero
    // block size, and none of block size 0.
    EXPECT_EQ(Lengths(camsim::PlanBlocks(0, 256)), (std::vector<std::uint32_t>{0}));
    EXPECT_TRUE(camsim::PlanBlocks(0, 0).empty());
}

TEST(WireFormat, HexTextBothWays) {
    const Bytes bytes{0x00, 0x3A, 0xAF, 0xFF, 0x09};
    Bytes out;
    camsim::AppendEncoded(out, bytes, Encoding::HexUpper);
    EXPECT_EQ(ToText(out), "003AAFFF09");
    out.clear();
    camsim::AppendEncoded(out, bytes, Encoding::HexLower);
    EXPECT_EQ(ToText(out), "003aafff09");
    out.clear();
    camsim::AppendEncoded(out, bytes, Encoding::Binary);
    EXPECT_EQ(out, bytes);

    bool wellFormed = false;
    EXPECT_EQ(camsim::DecodeUnit(ToBytes("3A"), Encoding::HexUpper, wellFormed), 0x3A);
    EXPECT_TRUE(wellFormed);
    EXPECT_EQ(camsim::DecodeUnit(ToBytes("3a"), Encoding::HexUpper, wellFormed), 0x3A);
    EXPECT_FALSE(wellFormed) << "a receiver answers in upper case";
    EXPECT_EQ(camsim::DecodeUnit(ToBytes("4G"), Encoding::HexUpper, wellFormed), 0x04);
    EXPECT_FALSE(wellFormed);
    EXPECT_EQ(camsim::DecodeUnit(ToBytes("G4"), Encoding::HexUpper, wellFormed), 0x00);
    EXPECT_FALSE(wellFormed);
    EXPECT_EQ(camsim::DecodeUnit(Bytes{0xC3}, Encoding::Binary, wellFormed), 0xC3);
    EXPECT_TRUE(wellFormed);
}

TEST(WireFormat, NoiseHoldsNoSynchronisationByte) {
    const std::vector<std::uint8_t> noise = camsim::NoiseBytes(5000);
    ASSERT_EQ(noise.size(), 5000u);
    for (std::uint8_t byte : noise) {
        ASSERT_NE(byte, 0x55);
        ASSERT_NE(byte, 0xAA);
    }
    EXPECT_EQ(noise, camsim::NoiseBytes(5000)) << "repeatable";
    EXPECT_NE(noise, camsim::NoiseBytes(5000, 2));
}

TEST(JpegSize, ReadsTheFrameAfterOtherSegments) {
    const Bytes file{0xFF, 0xD8,                                     // start of image
                     0xFF, 0xE0, 0x00, 0x04, 0x4A, 0x46,             // APP0, 2 bytes
                     0xFF, 0xFF,                                     // fill byte
                     0xFF, 0xC4, 0x00, 0x03, 0x00,                   // Huffman table
                     0xFF, 0xC2, 0x00, 0x0B, 0x08, 0x01, 0xE0, 0x02, // progressive frame
                     0x80, 0x01, 0x01, 0x11, 0x00};
    const std::optional<camsim::PictureSize> size = camsim::JpegSize(file);
    ASSERT_TRUE(size.has_value());
    EXPECT_EQ(size->width, 640);
    EXPECT_EQ(size->height, 480);
}

TEST(JpegSize, NothingForOtherOrTruncatedFiles) {
    EXPECT_FALSE(camsim::JpegSize(Bytes{}).has_value());
    EXPECT_FALSE(camsim::JpegSize(ToBytes("BM not a jpeg")).has_value());
    EXPECT_FALSE(camsim::JpegSize(Bytes{0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 0x4A}).has_value());
    EXPECT_FALSE(
        camsim::JpegSize(Bytes{0xFF, 0xD8, 0xFF, 0xC0, 0x00, 0x0B, 0x08, 0x01}).has_value());
    // Scan data before any frame.
    EXPECT_FALSE(camsim::JpegSize(Bytes{0xFF, 0xD8, 0xFF, 0xDA, 0x00, 0x02}).has_value());
}

TEST(JpegSize, TheTestPhotographs) {
    for (const char* size : {"640x480", "320x240", "160x120"}) {
        SCOPED_TRACE(size);
        const std::string path =
            std::string(ZELNOR2_TEST_PICTURES_DIR) + "/ladybird-" + size + ".jpg";
        std::ifstream stream(path, std::ios::binary);
        ASSERT_TRUE(stream) << path;
        const Bytes file{std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
        const std::optional<camsim::PictureSize> declared = camsim::JpegSize(file);
        ASSERT_TRUE(declared.has_value()) << path;
        EXPECT_EQ(std::to_string(declared->width) + "x" + std::to_string(declared->height), size);
    }
}

} // namespace
} // namespace camsimtest
