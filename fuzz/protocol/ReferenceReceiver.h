#pragma once

#include "ScriptedLine.h"
#include "transfer/PictureTransfer.h"
#include "transfer/RunEvents.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace fuzzprotocol {

// What one call of the receiver has to leave behind.
struct Expected {
    enum class File {
        Untouched,     // the call ended before it tried to open the file
        Absent,        // the open failed, or the picture was deleted
        Kept,          // a complete picture
        LeftAsWritten, // the hex-text final acknowledgement was short
    };

    transfer::TransferResult::Outcome outcome = transfer::TransferResult::Outcome::NoPicture;
    // Why a picture that began failed: the first cause met.
    std::optional<transfer::FailureCause> why;
    File file = File::Untouched;
    bool bitmap = false; // uncompressed pixels, written as a BMP file
    std::uint16_t width = 0;
    std::uint16_t height = 0;
    std::uint32_t dataSize = 0; // as the header announced it
    // The data bytes that passed their checks, in the order they arrived.
    std::vector<std::uint8_t> data;
    // What the receiver tells on the way: it waits for a header, and the
    // progress before each block.
    std::vector<transfer::RunEvent> events;

    bool Stored() const { return outcome == transfer::TransferResult::Outcome::Stored; }
};

// The bytes per row of an 8-bit bitmap, padded to whole 32-bit words.
std::uint64_t BitmapRowBytes(std::uint16_t width);

// A second, deliberately plain reading of the protocol: receives one picture
// from its own line the way the camera and the operator expect it, so that
// the real receiver's requests, answers, result, events and file can be
// compared with it step by step.
Expected ReferenceReceive(ScriptedLine& line, bool fileCanBeCreated);

} // namespace fuzzprotocol
