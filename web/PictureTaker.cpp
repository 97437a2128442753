#include "PictureTaker.h"

#include "picture/GreyJpeg.h"
#include "platform/FileBytes.h"
#include "platform/ThreadPriority.h"

namespace web {

PictureTaker::PictureTaker(int quality, Done done)
    : quality(quality), done(std::move(done)), thread([this] { Run(); }) {}

PictureTaker::~PictureTaker() {
    Stop();
}

void PictureTaker::Submit(Opened picture) {
    {
        std::lock_guard guard(lock);
        waiting = std::move(picture);
    }
    wake.notify_one();
}

void PictureTaker::Stop() {
    {
        std::lock_guard guard(lock);
        stopping = true;
    }
    wake.notify_one();
    if (thread.joinable()) {
        thread.join();
    }
}

void PictureTaker::Run() {
    platform::YieldToTheCamera();
    for (;;) {
        Opened opened;
        {
            std::unique_lock guard(lock);
            wake.wait(guard, [this] { return stopping || waiting.has_value(); });
            if (stopping) {
                return;
            }
            opened = std::move(*waiting);
            waiting.reset();
        }
        const auto bmp = platform::ReadFileBytes(*opened.file, platform::kLargestPictureFile);
        opened.file.reset();
        if (!bmp || bmp->empty()) {
            continue;
        }
        auto jpeg = EncodeBmpAsJpeg(*bmp, quality);
        if (!jpeg.empty()) {
            done(std::make_shared<const ViewPicture>(
                ViewPicture{opened.number, opened.storedAt, std::move(jpeg)}));
        }
    }
}

} // namespace web
