#pragma once

#include "Line.h"
#include "OutgoingPicture.h"
#include "SendResult.h"
#include "StopSignal.h"
#include "platform/NoCopy.h"

#include <chrono>
#include <functional>
#include <span>
#include <vector>

namespace camsim {

struct CameraOptions {
    // Line speed for pacing, in bits per second (ten bits a byte); <= 0
    // writes as fast as the line takes the bytes.
    long bitsPerSecond = 9600;
    // How long the camera waits for each acknowledgement.
    std::chrono::milliseconds ackTimeout{1000};
    // Sends of one block, the first included, before the camera gives up the
    // picture; the receiver likewise gives up at its third rejection in a row.
    int maxSends = 3;
    // A write that makes no progress this long fails.
    std::chrono::milliseconds writeStall{5000};
    // A question of the caller's that stops the camera as well when it says
    // yes (for example: has a stop signal come?). Asked from the camera's
    // thread, every few milliseconds while it waits.
    std::function<bool()> alsoStopWhen;
};

// The camera end of the picture transfer protocol on a descriptor: it
// announces a picture with the synchronisation pair and the header, sends the
// blocks with their check bytes, waits for the acknowledgements the header
// asks for, resends a block whose acknowledgement differs from its check
// byte, and reports everything it saw. Send runs on one thread at a time;
// RequestStop may be called from any thread and ends every wait within about
// 10 ms.
class Camera : private platform::NoCopy {
public:
    explicit Camera(int fd, CameraOptions options = {});

    SendResult Send(const OutgoingPicture& picture);

    void RequestStop() { stop.Raise(); }
    void ClearStop() { stop.Clear(); }
    bool StopRequested() const { return stop.Raised(); }
    // Waits between pictures, ending early on a stop request; false if stopped.
    bool Pause(std::chrono::milliseconds duration);

private:
    class Transfer;

    CameraOptions options;
    StopSignal stop;
    Line line;
};

} // namespace camsim
