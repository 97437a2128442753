#include "FaultInjector.h"

namespace linesim {

FaultInjector::FaultInjector(const FaultOptions& options, bool enabled, std::uint64_t stream)
    : errorRate(options.errorRate), dropRate(options.dropRate), enabled(enabled && options.Any()),
      generator(options.seed ^ (stream * 0x9E3779B97F4A7C15ULL)) {}

double FaultInjector::NextUnit() {
    return static_cast<double>(generator() >> 11) * 0x1.0p-53;
}

ByteFate FaultInjector::Next() {
    if (!enabled) {
        return {};
    }
    // Two draws for every byte whatever its fate, so that a byte's fate
    // depends on its position alone.
    const double chance = NextUnit();
    const auto bit = static_cast<unsigned>(generator() % 8);
    if (chance < dropRate) {
        return {Fate::Dropped, 0};
    }
    if (chance < dropRate + errorRate) {
        return {Fate::Corrupted, static_cast<std::uint8_t>(1U << bit)};
    }
    return {};
}

} // namespace linesim
