#include "LineCounts.h"

#include <algorithm>
#include <cstdio>

namespace linesim {

namespace {

std::string Seconds(std::chrono::nanoseconds duration) {
    char text[32];
    std::snprintf(text, sizeof text, "%.6f", std::chrono::duration<double>(duration).count());
    return text;
}

std::string Moment(const std::optional<Clock::time_point>& moment) {
    return moment ? Seconds(moment->time_since_epoch()) : std::string("-");
}

std::string FormatDirection(const char* label, const DirectionCounts& counts) {
    return std::string(label) + " carried=" + std::to_string(counts.carried) +
           " corrupted=" + std::to_string(counts.corrupted) +
           " dropped=" + std::to_string(counts.dropped) +
           " refused=" + std::to_string(counts.refused) + " busy=" + Seconds(counts.busy) +
           " first=" + Moment(counts.first) + " last=" + Moment(counts.last) +
           " replies=" + std::to_string(counts.replies.count) +
           " reply_mean=" + Seconds(counts.replies.Mean()) +
           " reply_max=" + Seconds(counts.replies.longest) +
           " late_mean=" + Seconds(counts.lateness.Mean()) +
           " late_max=" + Seconds(counts.lateness.longest) + "\n";
}

} // namespace

void Spread::Add(std::chrono::nanoseconds value) {
    ++count;
    total += value;
    longest = std::max(longest, value);
}

std::chrono::nanoseconds Spread::Mean() const {
    return count == 0 ? std::chrono::nanoseconds(0) : total / static_cast<std::int64_t>(count);
}

std::string FormatCounts(const LineCounts& counts) {
    return FormatDirection("A->B", counts.fromA) + FormatDirection("B->A", counts.fromB);
}

} // namespace linesim
