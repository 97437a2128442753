#include "EventStream.h"

#include <algorithm>
#include <cstring>

namespace web {

std::size_t EventStream::CopyPending(std::span<char> buffer) {
    const std::size_t count = std::min(buffer.size(), text.size() - textSent);
    std::memcpy(buffer.data(), text.data() + textSent, count);
    textSent += count;
    return count;
}

void EventStream::QueueState() {
    // The change serial is read before the state, so a change that lands in
    // between is sent again rather than missed.
    seen = changes.Newest().serial;
    text = "data: " + stateJson() + "\n\n";
    textSent = 0;
    lastSent = std::chrono::steady_clock::now();
}

std::ptrdiff_t EventStream::Fill(std::span<char> buffer,
                                 std::chrono::steady_clock::duration limit) {
    if (changes.Closed()) {
        return kClosed;
    }
    if (textSent < text.size()) {
        return static_cast<std::ptrdiff_t>(CopyPending(buffer));
    }
    if (!started) {
        started = true;
        QueueState();
        // A browser that lost the connection tries again after this long.
        text = "retry: 2000\n\n" + text;
        return static_cast<std::ptrdiff_t>(CopyPending(buffer));
    }
    const auto now = std::chrono::steady_clock::now();
    if (now < lastSent + pacing.minimumGap &&
        !changes.PauseUnlessClosed(lastSent + pacing.minimumGap - now)) {
        return kClosed;
    }
    const auto quietFor = std::chrono::steady_clock::now() - lastSent;
    const auto untilKeepAlive =
        quietFor < pacing.keepAlive ? pacing.keepAlive - quietFor : decltype(quietFor)::zero();
    const auto taken = changes.WaitNewer(seen, std::min(limit, untilKeepAlive));
    if (taken.serial != 0) {
        QueueState();
    } else if (changes.Closed()) {
        return kClosed;
    } else if (std::chrono::steady_clock::now() - lastSent >= pacing.keepAlive) {
        text = ": still here\n\n";
        textSent = 0;
        lastSent = std::chrono::steady_clock::now();
    } else {
        return 0;
    }
    return static_cast<std::ptrdiff_t>(CopyPending(buffer));
}

} // namespace web
