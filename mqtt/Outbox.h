#pragma once

#include "transfer/Picture.h"
#include "transfer/PictureKind.h"

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace mqtt {

// A good picture waiting to go out, as the run shared it.
struct WaitingPicture {
    std::uint64_t number = 0;
    transfer::PictureKind kind = transfer::PictureKind::Jpeg;
    std::shared_ptr<const transfer::Picture> picture;
};

// What waits to go to the broker, shared by the run's worker (which only
// puts things in and never waits), the network thread (which tells of the
// connection and of what was delivered) and the sender (which takes what
// may go out now). Memory stays bounded whatever the broker does: one
// picture waits at most (a newer one replaces it) and one is on its way;
// events wait in a queue of a fixed length, the oldest dropped first; the
// state is a flag, made into a message when it goes out, at most a few
// times a second.
class Outbox {
public:
    enum class Kind { Picture, State, Event, Other };

    // What the sender is to publish now, in this order.
    struct Work {
        // Connected anew: availability, discovery, the state and the newest
        // picture again.
        bool announce = false;
        std::optional<WaitingPicture> picture;
        std::vector<std::string> events;
        bool state = false;
        // The run is over: what remains goes out, then the sender ends.
        bool closing = false;
    };

    static constexpr std::size_t kWaitingEvents = 256;
    static constexpr std::size_t kEventsOnTheirWay = 16;
    static constexpr std::chrono::milliseconds kStateInterval{250};

    // From the worker's thread.
    void OfferPicture(WaitingPicture picture);
    void AddEvent(std::string event);
    void StateChanged();
    // After the run's last event: the sender publishes what is left.
    void Close();

    // From the network thread.
    void Connected();
    void Disconnected();
    void Delivered(int id);

    // From the sender: blocks until there is work, or the outbox is closed.
    Work Next();
    // The message with this id is on its way.
    void Sent(int id, Kind kind);
    // Waits until everything sent is delivered, the connection is gone or
    // limit has passed; true when all is delivered.
    bool WaitDelivered(std::chrono::steady_clock::duration limit);

    std::uint64_t DroppedEvents() const;

private:
    std::size_t OnTheirWay(Kind kind) const;
    bool Ready(std::chrono::steady_clock::time_point now) const;

    mutable std::mutex lock;
    std::condition_variable changed;
    std::optional<WaitingPicture> picture;
    std::deque<std::string> events;
    std::uint64_t droppedEvents = 0;
    bool stateChanged = false;
    std::chrono::steady_clock::time_point nextState{};
    bool connected = false;
    bool announce = false;
    bool closed = false;
    // Message ids on their way and what they carry; ids the network thread
    // told of before the sender could note them.
    std::map<int, Kind> onTheirWay;
    std::set<int> deliveredEarly;
};

} // namespace mqtt
