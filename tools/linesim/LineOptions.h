#pragma once

#include <chrono>
#include <cstdint>
#include <optional>

namespace linesim {

using Clock = std::chrono::steady_clock;

// Faults the line puts into the bytes it carries, decided byte by byte from a
// fixed seed, so that a run can be repeated exactly.
struct FaultOptions {
    // Share of bytes that arrive with one bit flipped (0 to 1).
    double errorRate = 0;
    // Share of bytes lost on the way; a lost byte still takes its time on the
    // line, as a byte with a framing error does.
    double dropRate = 0;
    std::uint64_t seed = 1;
    bool fromA = true; // faults in the bytes travelling from A to B
    bool fromB = true; // and in those from B to A

    bool Any() const { return errorRate > 0 || dropRate > 0; }
};

// A null-modem line between two ends, A and B.
struct LineOptions {
    // Ten bit times per byte (start bit, eight data bits, stop bit).
    long bitsPerSecond = 115200;
    // From the end of a byte's stop bit at the sender to the byte being
    // readable at the far end (driver, adapter, FIFO). Unset: one character
    // time.
    std::optional<std::chrono::nanoseconds> latency;
    FaultOptions faults;
};

// The time one byte takes on the line at this speed, rounded to nanoseconds.
std::chrono::nanoseconds CharacterTime(long bitsPerSecond);
// The latency the options ask for, with the default filled in.
std::chrono::nanoseconds EffectiveLatency(const LineOptions& options);

} // namespace linesim
