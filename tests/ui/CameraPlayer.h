#pragma once

#include "platform/NoCopy.h"
#include "tools/camsim/Camera.h"

#include <QImage>
#include <atomic>
#include <thread>

namespace uitest {

// A test picture with something to see in it: colour bands, a frame and a
// caption, as a JPEG.
QImage TestCardImage(int width, int height);
camsim::OutgoingPicture TestCardPicture(int width, int height);

// The camera at the far end of a test line, sending one picture after
// another on a thread of its own until stopped.
class CameraPlayer : private platform::NoCopy {
public:
    CameraPlayer(int lineDescriptor, camsim::OutgoingPicture picture);
    ~CameraPlayer();

    // Pictures that went through with every acknowledgement.
    int Completed() const { return completed; }
    // Stops sending and waits for the thread.
    void Stop();

private:
    camsim::OutgoingPicture picture;
    camsim::Camera camera;
    std::atomic<int> completed{0};
    std::thread thread;
};

} // namespace uitest
