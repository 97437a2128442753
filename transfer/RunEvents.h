#pragma once

#include "Picture.h"
#include "PictureKind.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <variant>

// What a running worker tells the rest of the program: one typed event for
// each change, handed in order to the listener its run was started with
// (RunListener.h). The texts in them are words for people (a device and the
// system's reason); what a listener decides on is in the numbers and enums.
namespace transfer {

// What one transfer cost the line: the picture bytes received (check bytes
// and hex-text doubling not counted) and the time from its header to its end.
struct TransferFigures {
    std::uint32_t payloadBytes = 0;
    std::chrono::microseconds took{0};

    bool operator==(const TransferFigures&) const = default;
};

// The port is open and the protocol waits for the next picture's header.
struct WaitingForHeader {
    bool operator==(const WaitingForHeader&) const = default;
};

// A picture in transfer: its size, and how many of its bytes are stored so
// far; sent before each block.
struct Progress {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::uint32_t stored = 0;
    std::uint32_t expected = 0;

    bool operator==(const Progress&) const = default;
};

// A good picture, whole in its file. number counts the run's attempts from
// the first (capture: the number in the file's name; every attempt uses one
// up, so failed ones leave gaps).
struct PictureStored {
    std::uint64_t number = 0;
    // The numbered file in capture, the display file in live mode. It holds
    // this picture at least until the listener returns.
    std::string file;
    PictureKind kind = PictureKind::Jpeg;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::uint32_t bytes = 0; // picture bytes as the header announced them
    TransferFigures figures;
    // The picture itself, as its file holds it; never null in an event a
    // worker sends. Listeners keep it as long as they need it.
    std::shared_ptr<const Picture> picture;

    bool operator==(const PictureStored&) const = default;
};

// Why a transfer that had a valid header gave no picture.
enum class FailureCause {
    Stopped,            // the run was asked to stop
    LineLost,           // the device went away
    CutShort,           // the camera stopped sending within the picture
    BlocksRejected,     // a block failed its check three times in a row
    FinalCheckFailed,   // the check of the whole picture did not match
    FileNotCreated,     // the picture's file could not be created
    WriteFailed,        // the picture's data did not reach its file
    PixelMemoryRefused, // an uncompressed picture too large for memory
    BitmapNotWritten,   // the BMP file of an uncompressed picture failed
    AnswerNotSent,      // the acknowledgement could not go out
    NotPublished,       // the whole picture could not replace the display file
};

struct PictureFailed {
    std::uint64_t number = 0;
    FailureCause why = FailureCause::CutShort;
    // The system's words for it where there are some ("No space left on
    // device"); else empty.
    std::string detail;
    TransferFigures figures;

    bool operator==(const PictureFailed&) const = default;
};

// The line went away (an adapter pulled out, a far end closed). reason names
// the port, device and the system's reason. reopening: the worker now opens
// the port again every half second.
struct LineLost {
    std::string reason;
    bool reopening = true;

    bool operator==(const LineLost&) const = default;
};

// While the line is lost: why the port does not open yet, once per change.
struct LineStillLost {
    std::string problem;

    bool operator==(const LineStillLost&) const = default;
};

// The port opened again; device names port and device.
struct LineBack {
    std::string device;

    bool operator==(const LineBack&) const = default;
};

// The connect check opened the port at speed (bit/s).
struct Connected {
    std::int32_t speed = 0;

    bool operator==(const Connected&) const = default;
};

// The link is marked disconnected.
struct Disconnected {
    bool operator==(const Disconnected&) const = default;
};

// Why a run ended.
enum class EndCause {
    Done,           // a connect check or disconnect did what it was for
    Stopped,        // asked to stop (Stop, a count, a time, a signal)
    PortFailed,     // its port did not open
    PathRefused,    // a picture path did not fit
    FreeSpaceLimit, // the disk's free space fell below the limit
    LineLost,       // the line was lost and reopening was not asked for
};

// The last event of every run. reason holds the words for a cause outside the
// program (the port's open error, why the line was lost, the refused path).
struct Ended {
    EndCause why = EndCause::Stopped;
    std::string reason;

    bool operator==(const Ended&) const = default;
};

using RunEvent = std::variant<WaitingForHeader, Progress, PictureStored, PictureFailed, LineLost,
                              LineStillLost, LineBack, Connected, Disconnected, Ended>;

} // namespace transfer
