#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace camsim {

// One acknowledgement the camera waited for.
struct Ack {
    bool received = false;
    std::uint8_t value = 0;
    // What the camera expected to read: the header's exclusive-or, the check
    // byte it sent with the block (or the block's value without check bytes),
    // or the exclusive-or of everything it sent in the data phase.
    std::uint8_t expected = 0;
    // In hex-text mode: both characters were upper-case hexadecimal digits.
    bool wellFormed = true;
    // The bytes as they came off the line (1 byte, or 2 characters).
    std::vector<std::uint8_t> raw;

    bool Matches() const { return received && value == expected; }
};

// One block of the data phase, with every send of it.
struct BlockReport {
    std::uint32_t offset = 0;
    std::uint32_t length = 0;
    // The exclusive-or of the block's data bytes.
    std::uint8_t checkByte = 0;
    int sends = 0;
    // One per send when block acknowledgements are asked for.
    std::vector<Ack> acks;
};

enum class Outcome {
    // Everything went out and every acknowledgement asked for came back as
    // the camera expected it (the final one may still differ: it is reported).
    Completed,
    HeaderNotAcknowledged,
    HeaderAckWrong,
    BlockNotAcknowledged,
    // Every allowed send of one block was answered with a differing value.
    ResendsExhausted,
    FinalNotAcknowledged,
    // The cut-short fault ended the picture.
    CutShort,
    Stopped,
    WriteFailed,
};

const char* OutcomeName(Outcome outcome);

// Everything the camera saw while sending one picture.
struct SendResult {
    Outcome outcome = Outcome::Completed;
    Ack headerAck;
    std::vector<BlockReport> blocks;
    Ack finalAck;
    // Bytes that came from the receiver when the camera expected none: before
    // the picture, after its end, or during a pause inside a block.
    std::vector<std::uint8_t> unexpected;
    // Every byte put on the line: garbage, synchronisation pair, header, data,
    // check bytes, resends.
    std::size_t bytesWritten = 0;
    std::chrono::milliseconds elapsed{0};
    // The longest the camera kept the line quiet while the receiver waited
    // for bytes (see Line::LongestQuiet).
    std::chrono::milliseconds longestQuiet{0};
    // Why a write failed.
    std::string error;

    int Resends() const;
};

} // namespace camsim
