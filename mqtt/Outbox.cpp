#include "Outbox.h"

#include <algorithm>

namespace mqtt {

void Outbox::OfferPicture(WaitingPicture offered) {
    {
        std::lock_guard guard(lock);
        picture = std::move(offered);
    }
    changed.notify_one();
}

void Outbox::AddEvent(std::string event) {
    {
        std::lock_guard guard(lock);
        if (events.size() == kWaitingEvents) {
            events.pop_front();
            ++droppedEvents;
        }
        events.push_back(std::move(event));
    }
    changed.notify_one();
}

void Outbox::StateChanged() {
    {
        std::lock_guard guard(lock);
        stateChanged = true;
    }
    changed.notify_one();
}

void Outbox::Close() {
    {
        std::lock_guard guard(lock);
        closed = true;
    }
    changed.notify_all();
}

void Outbox::Connected() {
    {
        std::lock_guard guard(lock);
        connected = true;
        announce = true;
    }
    changed.notify_all();
}

void Outbox::Disconnected() {
    {
        std::lock_guard guard(lock);
        connected = false;
        // What was on its way is lost with the connection, or comes late
        // from the library's own resending; either way the next connection
        // starts with the newest of everything.
        onTheirWay.clear();
        deliveredEarly.clear();
    }
    changed.notify_all();
}

void Outbox::Delivered(int id) {
    {
        std::lock_guard guard(lock);
        if (onTheirWay.erase(id) == 0) {
            deliveredEarly.insert(id);
        }
    }
    changed.notify_all();
}

void Outbox::Sent(int id, Kind kind) {
    std::lock_guard guard(lock);
    if (deliveredEarly.erase(id) == 0) {
        onTheirWay[id] = kind;
    }
}

std::size_t Outbox::OnTheirWay(Kind kind) const {
    return static_cast<std::size_t>(
        std::count_if(onTheirWay.begin(), onTheirWay.end(),
                      [kind](const auto& entry) { return entry.second == kind; }));
}

bool Outbox::Ready(std::chrono::steady_clock::time_point now) const {
    if (closed) {
        return true;
    }
    if (!connected) {
        return false;
    }
    return announce || (picture && OnTheirWay(Kind::Picture) == 0) ||
           (!events.empty() && OnTheirWay(Kind::Event) < kEventsOnTheirWay) ||
           (stateChanged && OnTheirWay(Kind::State) == 0 && now >= nextState);
}

Outbox::Work Outbox::Next() {
    std::unique_lock guard(lock);
    for (;;) {
        const auto now = std::chrono::steady_clock::now();
        if (Ready(now)) {
            break;
        }
        // Only the state's interval may be what holds things back.
        if (connected && stateChanged && OnTheirWay(Kind::State) == 0) {
            changed.wait_until(guard, nextState);
        } else {
            changed.wait(guard);
        }
    }
    Work work;
    work.closing = closed;
    if (!connected) {
        return work;
    }
    const auto now = std::chrono::steady_clock::now();
    const bool everything = announce || closed;
    work.announce = announce;
    announce = false;
    if (picture && (everything || OnTheirWay(Kind::Picture) == 0)) {
        work.picture = std::move(picture);
        picture.reset();
    }
    const std::size_t eventRoom =
        everything ? events.size()
                   : kEventsOnTheirWay - std::min(kEventsOnTheirWay, OnTheirWay(Kind::Event));
    while (!events.empty() && work.events.size() < eventRoom) {
        work.events.push_back(std::move(events.front()));
        events.pop_front();
    }
    if (everything || (stateChanged && OnTheirWay(Kind::State) == 0 && now >= nextState)) {
        work.state = true;
        stateChanged = false;
        nextState = now + kStateInterval;
    }
    return work;
}

bool Outbox::WaitDelivered(std::chrono::steady_clock::duration limit) {
    std::unique_lock guard(lock);
    return changed.wait_for(guard, limit, [this] { return !connected || onTheirWay.empty(); }) &&
           onTheirWay.empty();
}

std::uint64_t Outbox::DroppedEvents() const {
    std::lock_guard guard(lock);
    return droppedEvents;
}

} // namespace mqtt
