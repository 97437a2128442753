#include "Transmitter.h"

namespace linesim {

namespace {

constexpr std::uint64_t kNanosecondsPerByteAtOneBit = 10'000'000'000ULL;

} // namespace

std::chrono::nanoseconds CharacterTime(long bitsPerSecond) {
    const auto speed = static_cast<std::uint64_t>(bitsPerSecond > 0 ? bitsPerSecond : 1);
    return std::chrono::nanoseconds((kNanosecondsPerByteAtOneBit + speed / 2) / speed);
}

std::chrono::nanoseconds EffectiveLatency(const LineOptions& options) {
    return options.latency.value_or(CharacterTime(options.bitsPerSecond));
}

Transmitter::Transmitter(long bitsPerSecond, std::chrono::nanoseconds latency)
    : bitsPerSecond(static_cast<std::uint64_t>(bitsPerSecond > 0 ? bitsPerSecond : 1)),
      latency(latency) {}

std::chrono::nanoseconds Transmitter::DurationOf(std::uint64_t count) const {
    // Split so that the product cannot overflow however long the spell.
    const std::uint64_t whole = count / bitsPerSecond * kNanosecondsPerByteAtOneBit;
    const std::uint64_t part = count % bitsPerSecond * kNanosecondsPerByteAtOneBit / bitsPerSecond;
    return std::chrono::nanoseconds(static_cast<std::int64_t>(whole + part));
}

Clock::time_point Transmitter::FreeAt() const {
    return spellStart + DurationOf(sentInSpell);
}

Clock::time_point Transmitter::Send(Clock::time_point now) {
    if (sentInSpell == 0 || FreeAt() < now) {
        spellStart = now;
        sentInSpell = 0;
    }
    ++sentInSpell;
    ++total;
    return FreeAt() + latency;
}

std::chrono::nanoseconds Transmitter::Busy() const {
    return DurationOf(total);
}

} // namespace linesim
