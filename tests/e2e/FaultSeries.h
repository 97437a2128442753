#pragma once

#include "tools/camsim/OutgoingPicture.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace faultmatrix {

// What a header announces besides the picture: blocks of a size drawn per
// picture, or blocks of 100 streamed (block size 0); check bytes;
// acknowledgements.
struct LineMode {
    const char* name = "";
    bool blocks = true;
    bool checks = false;
    bool acks = false;
};

enum class Fault {
    None,
    Garbage,
    HeaderSum,
    HeaderXor,
    CheckOnce,
    CheckTwice,
    CheckThrice,
    ShortStall,
    LongStall,
    LateCheck,
    CutShort,
    WrongFinalCheck,
    DroppedBytes,
};

const char* FaultName(Fault fault);
// The group a refused picture is counted in: header, check, stall, cut,
// final or dropped.
const char* RefusalGroup(Fault fault);

// A camera's pause inside a block that the receiver's three empty reads of
// 100 ms ride out, and one well beyond them (also used to hold back a check
// byte, which must follow its data within 100 ms): far enough from the 300 ms
// on either side that a busy machine does not blur them.
inline constexpr std::chrono::milliseconds kShortStall{120};
inline constexpr std::chrono::milliseconds kLongStall{1000};

// How long the camera waits for an acknowledgement that is due: long, as a
// late answer would change the course of the picture. Where none can come,
// only the time is at stake.
inline constexpr std::chrono::milliseconds kPatientAck{1000};
inline constexpr std::chrono::milliseconds kImpatientAck{200};

// One picture of the series with what must become of it.
struct FaultCase {
    int index = 0;
    Fault fault = Fault::None;
    LineMode mode;
    camsim::OutgoingPicture picture;
    // Where the fault sits, for messages.
    std::string where;
    // Arrives byte-identical and is reported as a new picture; otherwise it
    // is refused: no file kept, no report.
    bool intact = true;
    // Bytes the camera still sends after the receiver has given the picture
    // up; the receiver searches them for a header.
    std::vector<std::uint8_t> leftover;
    // Numbers the picture uses up: its own attempt and one for each header
    // the receiver finds in the leftover bytes.
    int attempts = 1;
    std::chrono::milliseconds ackTimeout = kPatientAck;
    // The camera's line speed (0: unpaced). Pictures without block
    // acknowledgements are paced, so that the receiver is never asked to hold
    // more than its buffer.
    long bitsPerSecond = 0;

    // Whether the receiver takes the header, opening the picture's file.
    bool HeaderPasses() const { return fault != Fault::HeaderSum && fault != Fault::HeaderXor; }
};

std::string Describe(const FaultCase& pictureCase);

// The series drawn from seed, some of it carrying photograph (a real JPEG),
// and closed by a clean picture so that the count of numbers used shows.
std::vector<FaultCase> MakeFaultSeries(std::uint32_t seed,
                                       const std::vector<std::uint8_t>& photograph);

} // namespace faultmatrix
