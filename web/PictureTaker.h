#pragma once

#include "ViewPicture.h"
#include "platform/NoCopy.h"

#include "transfer/Picture.h"

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace web {

// The view's one thread that publishes the run's pictures: the worker only
// hands each good picture over and goes on; this thread takes them in the
// order they came, makes an uncompressed one a JPEG, and hands each on. A
// few wait at most, so that a camera faster than the encoding costs no more
// memory than that: then the oldest waiting one is dropped, as viewers want
// the newest and not a backlog. Its thread yields to the camera's threads.
class PictureTaker : private platform::NoCopy {
public:
    using Done = std::function<void(SharedPicture)>;
    // More than any burst of pictures a thread that keeps up lets pile up.
    static constexpr std::size_t kMostWaiting = 16;

    // done runs on the taker's thread for each picture, in order, that could
    // be made a JPEG.
    PictureTaker(int quality, Done done);
    ~PictureTaker();

    void Submit(std::shared_ptr<const transfer::Picture> picture);
    // Ends the thread; pictures still waiting are dropped.
    void Stop();

private:
    void Run();
    SharedPicture AsJpeg(const transfer::Picture& picture) const;

    const int quality;
    const Done done;
    std::mutex lock;
    std::condition_variable wake;
    std::deque<std::shared_ptr<const transfer::Picture>> waiting;
    bool stopping = false;
    std::thread thread;
};

} // namespace web
