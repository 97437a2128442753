#pragma once

#include "PictureKind.h"
#include "PictureStore.h"
#include "RunEvents.h"

#include <cstdint>
#include <string>
#include <vector>

class SerialPort;
struct WorkerRun;

namespace transfer {

// What became of one call of PictureTransfer.
struct TransferResult {
    enum class Outcome {
        Stored,    // the picture is whole in its file
        NoPicture, // no valid header came (a stop or a lost line while waiting, a bad header)
        Failed,    // a picture had begun and did not arrive whole; its file is gone
    };
    Outcome outcome = Outcome::NoPicture;
    FailureCause why = FailureCause::CutShort; // when Failed
    std::string detail;                        // the system's words, where there are some
    // The picture's file while it is Stored; empty when none was created.
    std::string file;
    // From the header, once one was valid.
    PictureKind kind = PictureKind::Jpeg;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::uint32_t bytes = 0;
    TransferFigures figures;
    // The bytes of the picture's file while it is Stored.
    std::vector<std::uint8_t> fileBytes;

    bool Stored() const { return outcome == Outcome::Stored; }
};

} // namespace transfer

// Receives exactly one picture from the camera over port into fileName: finds
// the synchronisation pair, checks the header, acknowledges it when asked,
// takes the blocks with their check bytes and acknowledgements, and stores the
// data (a JPEG as received, uncompressed pixels as a BMP file). Stored only
// when every byte arrived, every check passed, no stop was requested and the
// file was written and kept. Tells the run it waits for a header, and the
// progress before each block.
transfer::TransferResult PictureTransfer(const WorkerRun& run, SerialPort& port,
                                         const std::string& fileName);
// The same into the file that claim creates once a valid header is in.
transfer::TransferResult PictureTransfer(const WorkerRun& run, SerialPort& port,
                                         const transfer::FileClaim& claim);
