#include "PictureEncoder.h"

#include "GreyJpeg.h"

namespace web {

PictureEncoder::PictureEncoder(int quality, Done done)
    : quality(quality), done(std::move(done)), thread([this] { Run(); }) {}

PictureEncoder::~PictureEncoder() {
    Stop();
}

void PictureEncoder::Submit(Raw picture) {
    {
        std::lock_guard guard(lock);
        waiting = std::move(picture);
    }
    wake.notify_one();
}

void PictureEncoder::Stop() {
    {
        std::lock_guard guard(lock);
        stopping = true;
    }
    wake.notify_one();
    if (thread.joinable()) {
        thread.join();
    }
}

void PictureEncoder::Run() {
    for (;;) {
        Raw raw;
        {
            std::unique_lock guard(lock);
            wake.wait(guard, [this] { return stopping || waiting.has_value(); });
            if (stopping) {
                return;
            }
            raw = std::move(*waiting);
            waiting.reset();
        }
        auto jpeg = EncodeBmpAsJpeg(raw.bmp, quality);
        if (!jpeg.empty()) {
            done(std::make_shared<const ViewPicture>(
                ViewPicture{raw.number, raw.storedAt, std::move(jpeg)}));
        }
    }
}

} // namespace web
