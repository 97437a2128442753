#pragma once

#include "FaultInjector.h"
#include "LineCounts.h"
#include "Transmitter.h"

#include <cstddef>
#include <deque>

namespace linesim {

// One direction of the line: takes what the sender has written on its
// descriptor, puts it on the line's schedule and writes each byte to the far
// end's descriptor once it has arrived there. Both descriptors are
// non-blocking. Only the relay's thread uses it.
class Direction {
public:
    // Bytes on their way at most, as in a serial driver's transmit buffer;
    // a sender that writes more waits, as it would on a real port.
    static constexpr std::size_t kQueueLimit = 4096;
    // Bytes in the middle of a stream may be handed on up to this late, so
    // that a fast line does not need a wake-up per byte. The last byte
    // taken so far is always handed on at its own time, as it may be the
    // one the far end waits for before it answers.
    static constexpr std::chrono::microseconds kDeliverySlice{500};
    // The last byte of a burst is the one the far end waits for before it
    // answers, so it is handed over on time to the microsecond: the relay
    // sleeps until this long before its due time and then watches the clock,
    // as a timer on a busy or virtual machine fires tens of microseconds
    // late. A burst that ends this close behind a batch is handed over
    // whole at its end, so that a late batch cannot take the last byte along.
    static constexpr std::chrono::microseconds kWatchBeforeBurstEnd{200};

    Direction(int source, int destination, const LineOptions& options, bool faults,
              std::uint64_t stream);

    // Reads what the sender has written, as far as the queue has room.
    // incoming is the other direction, towards this sender: what it handed
    // over last tells how long the sender took to answer. False when the
    // source reports an error or an end instead of data.
    bool Take(Clock::time_point now, const Direction& incoming);
    // Writes every byte that has reached the far end by now.
    void Deliver(Clock::time_point now);

    bool HasRoom() const { return queue.size() < kQueueLimit; }
    // Bytes are due but the far end's device is full.
    bool WaitsForFarEnd() const { return farEndFull; }
    struct Delivery {
        Clock::time_point when;
        // The byte due then ends what has been taken so far.
        bool endsBurst = false;
    };
    // When Deliver has work next; none while the queue is empty or the far
    // end is full.
    std::optional<Delivery> NextDelivery() const;
    DirectionCounts Counts() const;

private:
    struct InFlight {
        Clock::time_point due;
        std::uint8_t byte = 0;
    };

    int source = -1;
    int destination = -1;
    Transmitter transmitter;
    FaultInjector faults;
    std::deque<InFlight> queue;
    bool farEndFull = false;
    // When bytes were last taken from the sender.
    std::optional<Clock::time_point> lastTaken;
    DirectionCounts counts;
};

} // namespace linesim
