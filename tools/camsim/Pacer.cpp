#include "Pacer.h"

#include <algorithm>

namespace camsim {

Pacer::Pacer(long bitsPerSecond) : bitsPerSecond(bitsPerSecond) {}

Pacer::Clock::time_point Pacer::DueTime(std::uint64_t index) const {
    // Computed from the origin each time, so rounding never accumulates.
    const auto nanoseconds = static_cast<std::int64_t>(index * 10'000'000'000ULL /
                                                       static_cast<std::uint64_t>(bitsPerSecond));
    return origin + std::chrono::nanoseconds(nanoseconds);
}

std::size_t Pacer::Allowance(Clock::time_point now, std::size_t wanted) {
    if (!Paced()) {
        return wanted;
    }
    if (sentSinceOrigin == 0 || DueTime(sentSinceOrigin) + kSlice < now) {
        // The line has been idle: start the schedule at now.
        origin = now;
        sentSinceOrigin = 0;
    }
    // Every byte whose time begins within the current slice may go.
    const Clock::time_point horizon = now + kSlice;
    std::size_t allowed = 0;
    while (allowed < wanted && DueTime(sentSinceOrigin + allowed) < horizon) {
        ++allowed;
    }
    return allowed;
}

void Pacer::Sent(std::size_t count) {
    sentSinceOrigin += count;
}

Pacer::Clock::time_point Pacer::NextDue() const {
    return Paced() ? DueTime(sentSinceOrigin) : Clock::time_point{};
}

} // namespace camsim
