#pragma once

#include "Bulletin.h"
#include "StreamingBody.h"

#include <chrono>
#include <cstddef>
#include <functional>
#include <span>
#include <string>

namespace web {

// The body of /events for one viewer: Server-Sent Events, each carrying the
// run's state as /state gives it. The first goes out at once; after that one
// whenever the run changed, but no sooner than minimumGap after the one
// before (progress comes with every block of a picture, far more often than
// anyone reads it). A comment line goes out when nothing changed for
// keepAlive, so that proxies and the idle timeout see a live connection.
class EventStream final : public StreamingBody {
public:
    struct Pacing {
        std::chrono::steady_clock::duration minimumGap = std::chrono::milliseconds(100);
        std::chrono::steady_clock::duration keepAlive = std::chrono::seconds(15);
    };
    EventStream(const Bulletin<std::uint64_t>& changes, std::function<std::string()> stateJson,
                Pacing pacing)
        : changes(changes), stateJson(std::move(stateJson)), pacing(pacing) {}

    // As MultipartStream::Fill: bytes filled, 0 after limit without a change,
    // kClosed once the view stops.
    std::ptrdiff_t Fill(std::span<char> buffer, std::chrono::steady_clock::duration limit) override;

private:
    std::size_t CopyPending(std::span<char> buffer);
    void QueueState();

    const Bulletin<std::uint64_t>& changes;
    const std::function<std::string()> stateJson;
    const Pacing pacing;
    std::uint64_t seen = 0;
    bool started = false;
    std::chrono::steady_clock::time_point lastSent;
    std::string text;
    std::size_t textSent = 0;
};

} // namespace web
