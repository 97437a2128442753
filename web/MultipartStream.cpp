#include "MultipartStream.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace web {

std::string MultipartStream::ContentType() {
    return "multipart/x-mixed-replace;boundary=" + std::string(kBoundary);
}

std::string MultipartStream::HeaderBlock(bool first) {
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    const auto micros = std::chrono::duration_cast<std::chrono::microseconds>(now).count();
    char stamp[48];
    std::snprintf(stamp, sizeof stamp, "%lld.%06lld", static_cast<long long>(micros / 1000000),
                  static_cast<long long>(micros % 1000000));
    return std::string(first ? "--" : "\r\n--") + std::string(kBoundary) +
           "\r\nContent-Type: image/jpeg\r\nX-Timestamp: " + stamp + "\r\n\r\n";
}

std::size_t MultipartStream::CopyPending(std::span<char> buffer) {
    std::size_t filled = 0;
    while (filled < buffer.size()) {
        if (textSent < text.size()) {
            const std::size_t count = std::min(buffer.size() - filled, text.size() - textSent);
            std::memcpy(buffer.data() + filled, text.data() + textSent, count);
            filled += count;
            textSent += count;
        } else if (sending) {
            const auto& jpeg = sending->jpeg;
            const std::size_t count = std::min(buffer.size() - filled, jpeg.size() - sent);
            std::memcpy(buffer.data() + filled, jpeg.data() + sent, count);
            filled += count;
            sent += count;
            if (sent == jpeg.size()) {
                sending.reset();
                text = HeaderBlock(false);
                textSent = 0;
            }
        } else {
            break;
        }
    }
    return filled;
}

std::ptrdiff_t MultipartStream::Fill(std::span<char> buffer,
                                     std::chrono::steady_clock::duration limit) {
    if (pictures.Closed()) {
        return kClosed;
    }
    std::size_t filled = CopyPending(buffer);
    if (filled > 0) {
        return static_cast<std::ptrdiff_t>(filled);
    }
    const auto now = std::chrono::steady_clock::now();
    if (seen != 0 && now < lastTaken + minimumGap) {
        const auto pause = std::min(limit, lastTaken + minimumGap - now);
        return pictures.PauseUnlessClosed(pause) ? 0 : std::ptrdiff_t{kClosed};
    }
    // Without a rate, a viewer that keeps up gets every picture; a new one
    // starts with the newest.
    const bool everyPicture =
        minimumGap == std::chrono::steady_clock::duration::zero() && seen != 0;
    const auto taken =
        everyPicture ? pictures.WaitNext(seen, limit) : pictures.WaitNewer(seen, limit);
    if (taken.serial == 0) {
        return pictures.Closed() ? std::ptrdiff_t{kClosed} : 0;
    }
    seen = taken.serial;
    lastTaken = std::chrono::steady_clock::now();
    sending = taken.value;
    sent = 0;
    if (!headersAhead) {
        // The first part's headers go out with its picture; every later
        // part's went out right after the picture before it.
        text = HeaderBlock(true);
        textSent = 0;
        headersAhead = true;
    }
    return static_cast<std::ptrdiff_t>(CopyPending(buffer));
}

} // namespace web
