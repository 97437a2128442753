#pragma once

#include "LineOptions.h"

#include <cstdint>

namespace linesim {

// The timing of one direction of the line: bytes leave one after the other,
// each taking ten bit times, and reach the far end a fixed latency after
// their stop bit. Times are computed from the start of each busy spell, so
// rounding never accumulates; after an idle spell the line starts afresh at
// the moment the next byte is handed over.
class Transmitter {
public:
    Transmitter(long bitsPerSecond, std::chrono::nanoseconds latency);

    // Puts a byte handed over at now on the line; returns when it reaches
    // the far end.
    Clock::time_point Send(Clock::time_point now);
    // When the line has finished sending everything handed over so far.
    Clock::time_point FreeAt() const;
    // The time spent sending, over every byte ever sent.
    std::chrono::nanoseconds Busy() const;
    std::uint64_t BytesSent() const { return total; }

private:
    // Duration of count bytes, exact to the nanosecond for any count.
    std::chrono::nanoseconds DurationOf(std::uint64_t count) const;

    std::uint64_t bitsPerSecond = 0;
    std::chrono::nanoseconds latency{0};
    Clock::time_point spellStart{};
    std::uint64_t sentInSpell = 0;
    std::uint64_t total = 0;
};

} // namespace linesim
