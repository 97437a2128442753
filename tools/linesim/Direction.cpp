#include "Direction.h"

#include <algorithm>
#include <cerrno>
#include <unistd.h>

namespace linesim {

Direction::Direction(int source, int destination, const LineOptions& options, bool faults,
                     std::uint64_t stream)
    : source(source), destination(destination),
      transmitter(options.bitsPerSecond, EffectiveLatency(options)),
      faults(options.faults, faults, stream) {}

bool Direction::Take(Clock::time_point now, const Direction& incoming) {
    // An answer: the sender starts afresh after it was handed everything
    // that was on its way to it.
    const bool answers = queue.empty() && incoming.queue.empty() && incoming.counts.last &&
                         (!lastTaken || *lastTaken < *incoming.counts.last);
    bool tookAny = false;
    while (HasRoom()) {
        std::uint8_t buffer[kQueueLimit];
        const std::size_t room = kQueueLimit - queue.size();
        const ssize_t got = ::read(source, buffer, room);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            break;
        }
        if (got <= 0) {
            return false;
        }
        if (answers && !tookAny) {
            counts.replies.Add(now - *incoming.counts.last);
        }
        tookAny = true;
        lastTaken = now;
        for (ssize_t i = 0; i < got; ++i) {
            const Clock::time_point due = transmitter.Send(now);
            const ByteFate fate = faults.Next();
            if (fate.fate == Fate::Dropped) {
                ++counts.dropped;
                continue;
            }
            if (fate.fate == Fate::Corrupted) {
                ++counts.corrupted;
            }
            queue.push_back({due, static_cast<std::uint8_t>(buffer[i] ^ fate.flip)});
        }
    }
    return true;
}

void Direction::Deliver(Clock::time_point now) {
    std::uint8_t buffer[kQueueLimit];
    std::size_t due = 0;
    while (due < queue.size() && queue[due].due <= now) {
        buffer[due] = queue[due].byte;
        ++due;
    }
    std::size_t written = 0;
    farEndFull = false;
    while (written < due) {
        const ssize_t result = ::write(destination, buffer + written, due - written);
        if (result > 0) {
            written += static_cast<std::size_t>(result);
            continue;
        }
        if (result < 0 && errno == EINTR) {
            continue;
        }
        if (result < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            farEndFull = true;
            break;
        }
        // The far end's device failed: what is due cannot go anywhere.
        counts.refused += due - written;
        queue.erase(queue.begin() + static_cast<std::ptrdiff_t>(written),
                    queue.begin() + static_cast<std::ptrdiff_t>(due));
        break;
    }
    if (written > 0) {
        const Clock::time_point moment = Clock::now();
        if (!counts.first) {
            counts.first = moment;
        }
        counts.last = moment;
        counts.carried += written;
        const Clock::time_point lastDue = queue[written - 1].due;
        queue.erase(queue.begin(), queue.begin() + static_cast<std::ptrdiff_t>(written));
        if (queue.empty()) {
            counts.lateness.Add(moment - lastDue);
        }
    }
}

std::optional<Direction::Delivery> Direction::NextDelivery() const {
    if (queue.empty() || farEndFull) {
        return std::nullopt;
    }
    const Clock::time_point batchEnd = queue.front().due + kDeliverySlice;
    if (queue.back().due <= batchEnd + kWatchBeforeBurstEnd) {
        return Delivery{queue.back().due, true};
    }
    return Delivery{batchEnd, false};
}

DirectionCounts Direction::Counts() const {
    DirectionCounts current = counts;
    current.busy = transmitter.Busy();
    return current;
}

} // namespace linesim
