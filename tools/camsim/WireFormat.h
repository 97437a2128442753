#pragma once

#include "OutgoingPicture.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace camsim {

constexpr std::size_t kHeaderSize = 19;
// Blocks when the header's block size is 0.
constexpr std::uint32_t kDefaultBlockLength = 100;
constexpr std::array<std::uint8_t, 2> kBinarySync{0x55, 0xAA};
constexpr std::array<std::uint8_t, 2> kHexSync{0xAA, 0x55};

std::uint8_t XorOf(std::span<const std::uint8_t> bytes);
std::uint8_t SumOf(std::span<const std::uint8_t> bytes);

// The 19 header bytes, big-endian, with a correct sum and exclusive-or.
std::array<std::uint8_t, kHeaderSize> HeaderBytes(const OutgoingPicture& picture);

// Appends bytes as they travel after the synchronisation pair.
void AppendEncoded(std::vector<std::uint8_t>& out, std::span<const std::uint8_t> bytes,
                   Encoding encoding);
// Characters on the line for one byte: 1, or 2 in hex-text mode.
std::size_t UnitWidth(Encoding encoding);

// Decodes one unit read from the line. In hex-text mode the pair is parsed
// leniently (either case); wellFormed tells whether it was the two upper-case
// digits a receiver is meant to send.
std::uint8_t DecodeUnit(std::span<const std::uint8_t> unit, Encoding encoding, bool& wellFormed);

struct BlockBounds {
    std::uint32_t offset = 0;
    std::uint32_t length = 0;
};

// The blocks of the data phase in order. With a non-zero block size there is
// always at least one block, empty when there are no data, because the
// receiver still reads (and answers) one block then.
std::vector<BlockBounds> PlanBlocks(std::uint32_t dataSize, std::uint16_t blockSize);

// Bytes that never form, nor end in, a synchronisation byte, so that a
// receiver skips them all. The same seed gives the same bytes.
std::vector<std::uint8_t> NoiseBytes(std::size_t count, std::uint32_t seed = 1);

} // namespace camsim
