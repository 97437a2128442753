#pragma once

#include "ViewPicture.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace web {

// Turns the run's uncompressed pictures (BMP files read into memory) into
// JPEG on a thread of its own, so that the worker that hands them over never
// waits for the encoder. It holds one picture waiting at most: a newer one
// replaces it, as viewers want the newest and not a backlog.
class PictureEncoder {
public:
    struct Raw {
        std::uint64_t number = 0;
        std::chrono::system_clock::time_point storedAt;
        std::vector<std::uint8_t> bmp;
    };
    using Done = std::function<void(SharedPicture)>;

    // done runs on the encoder's thread for each picture that encoded.
    PictureEncoder(int quality, Done done);
    ~PictureEncoder();
    PictureEncoder(const PictureEncoder&) = delete;
    PictureEncoder& operator=(const PictureEncoder&) = delete;

    void Submit(Raw picture);
    // Ends the thread; a picture still waiting is dropped.
    void Stop();

private:
    void Run();

    const int quality;
    const Done done;
    std::mutex lock;
    std::condition_variable wake;
    std::optional<Raw> waiting;
    bool stopping = false;
    std::thread thread;
};

} // namespace web
