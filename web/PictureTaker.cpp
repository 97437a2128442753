#include "PictureTaker.h"

#include "picture/GreyJpeg.h"
#include "platform/ThreadPriority.h"
#include "platform/ThreadStop.h"

namespace web {

PictureTaker::PictureTaker(int quality, Done done)
    : quality(quality), done(std::move(done)), thread([this] { Run(); }) {}

PictureTaker::~PictureTaker() {
    Stop();
}

void PictureTaker::Submit(std::shared_ptr<const transfer::Picture> picture) {
    {
        std::lock_guard guard(lock);
        waiting.push_back(std::move(picture));
        if (waiting.size() > kMostWaiting) {
            waiting.pop_front();
        }
    }
    wake.notify_one();
}

void PictureTaker::Stop() {
    platform::StopThread(lock, stopping, wake, thread);
}

SharedPicture PictureTaker::AsJpeg(const transfer::Picture& picture) const {
    std::vector<std::uint8_t> jpeg = picture.kind == transfer::PictureKind::UncompressedPixels
                                         ? EncodeBmpAsJpeg(picture.bytes, quality)
                                         : picture.bytes;
    if (jpeg.empty()) {
        return nullptr;
    }
    return std::make_shared<const ViewPicture>(
        ViewPicture{picture.number, picture.time, std::move(jpeg)});
}

void PictureTaker::Run() {
    platform::YieldToTheCamera();
    for (;;) {
        std::shared_ptr<const transfer::Picture> picture;
        {
            std::unique_lock guard(lock);
            wake.wait(guard, [this] { return stopping || !waiting.empty(); });
            if (stopping) {
                return;
            }
            picture = std::move(waiting.front());
            waiting.pop_front();
        }
        if (SharedPicture jpeg = AsJpeg(*picture)) {
            done(std::move(jpeg));
        }
    }
}

} // namespace web
