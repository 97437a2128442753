#pragma once

#include "ViewPicture.h"
#include "platform/File.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace web {

// Takes the run's uncompressed pictures off the worker's hands: the worker
// only opens a picture's file and goes on; a thread of the view reads it,
// makes it a JPEG and publishes it. The open file keeps the
// picture's bytes even when live mode puts the next picture in its place. It
// holds one picture waiting at most: a newer one replaces it, as viewers want
// the newest and not a backlog. Its thread yields to the camera's threads.
class PictureTaker {
public:
    struct Opened {
        std::uint64_t number = 0;
        std::chrono::system_clock::time_point storedAt;
        std::unique_ptr<platform::File> file; // a BMP file
    };
    using Done = std::function<void(SharedPicture)>;

    // done runs on the taker's thread for each picture that could be read
    // and made JPEG.
    PictureTaker(int quality, Done done);
    ~PictureTaker();
    PictureTaker(const PictureTaker&) = delete;
    PictureTaker& operator=(const PictureTaker&) = delete;

    void Submit(Opened picture);
    // Ends the thread; a picture still waiting is dropped.
    void Stop();

private:
    void Run();

    const int quality;
    const Done done;
    std::mutex lock;
    std::condition_variable wake;
    std::optional<Opened> waiting;
    bool stopping = false;
    std::thread thread;
};

} // namespace web
