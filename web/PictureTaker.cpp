#include "PictureTaker.h"

#include "FileBytes.h"
#include "GreyJpeg.h"

#include <sys/resource.h>
#include <unistd.h>

namespace web {

namespace {

// Beyond the 64 MiB the transfer allows an uncompressed picture's pixels.
constexpr std::size_t kLargestPictureFile = 80u * 1024 * 1024;
// How much the thread yields to the camera's (as nice(1) counts).
constexpr int kNiceness = 10;

} // namespace

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
    ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), kNiceness);
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
        auto bytes = ReadFileBytes(*opened.file, kLargestPictureFile);
        opened.file.reset();
        if (!bytes || bytes->empty()) {
            continue;
        }
        if (opened.kind == transfer::PictureKind::UncompressedPixels) {
            *bytes = EncodeBmpAsJpeg(*bytes, quality);
            if (bytes->empty()) {
                continue;
            }
        }
        done(std::make_shared<const ViewPicture>(
            ViewPicture{opened.number, opened.storedAt, std::move(*bytes)}));
    }
}

} // namespace web
