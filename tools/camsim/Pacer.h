#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>

namespace camsim {

// Spreads bytes over time as a serial line at a given speed does: ten bit
// times per byte (start bit, 8 data bits, stop bit). Bytes are released in
// slices of about a millisecond on the monotonic clock. After an idle spell
// the schedule starts afresh, so a pause never turns into a burst.
class Pacer {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::microseconds kSlice{1000};

    // bitsPerSecond <= 0 releases everything at once.
    explicit Pacer(long bitsPerSecond);

    bool Paced() const { return bitsPerSecond > 0; }
    // How many of wanted bytes may go out at now.
    std::size_t Allowance(Clock::time_point now, std::size_t wanted);
    // Records bytes that went out.
    void Sent(std::size_t count);
    // When the next byte is due.
    Clock::time_point NextDue() const;

private:
    Clock::time_point DueTime(std::uint64_t index) const;

    long bitsPerSecond = 0;
    Clock::time_point origin{};
    std::uint64_t sentSinceOrigin = 0;
};

} // namespace camsim
