#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <vector>

namespace camsim {

// How every byte after the synchronisation pair travels: as itself, or as two
// hexadecimal characters in upper or lower case.
enum class Encoding { Binary, HexUpper, HexLower };

// A pause of the camera in the middle of a block's data, on its first send.
struct Silence {
    std::uint32_t block = 0;
    // Data bytes of the block sent before the pause; past the block's end the
    // pause falls just before its check byte.
    std::uint32_t afterBytes = 0;
    int milliseconds = 0;
};

// Deliberate mistakes of the camera, each off by default.
struct Faults {
    // Raw bytes sent before the synchronisation pair.
    std::vector<std::uint8_t> garbage;
    bool wrongHeaderSum = false;
    bool wrongHeaderXor = false;
    // Block index -> number of sends of that block that carry a wrong check
    // byte (only where per-block check bytes are sent).
    std::map<std::uint32_t, int> wrongCheckSends;
    std::optional<Silence> silence;
    // The camera stops after this many data bytes, as if it had been cut off.
    std::optional<std::uint32_t> cutShortAfter;
    // The single final check byte (block size 0 with check bytes) is wrong.
    bool wrongFinalCheck = false;
    // Offsets of data bytes that the line loses on their block's first send:
    // the camera goes on as if they had gone out (its check bytes and the
    // final value it expects still count them), as a camera cannot know.
    std::set<std::uint32_t> dropDataBytes;
};

// One picture as the camera announces and sends it. The header's dataSize is
// the size of data.
struct OutgoingPicture {
    std::vector<std::uint8_t> data;
    std::uint16_t width = 640;
    std::uint16_t height = 480;
    // 0: uncompressed 8-bit pixels; any other value: a picture file (JPEG).
    std::uint8_t kind = 1;
    // The three header bytes the receiver does not interpret.
    std::array<std::uint8_t, 3> reserved{};
    // 0: blocks of 100 bytes without per-block check bytes or acknowledgements.
    std::uint16_t blockSize = 256;
    std::uint8_t checkFlag = 1;
    // Any non-zero 16-bit value asks for acknowledgements (0x0100 included).
    std::uint16_t ackFlag = 1;
    Encoding encoding = Encoding::Binary;
    Faults faults;
};

} // namespace camsim
