#include "EventWords.h"

#include <iterator>

namespace transfer {

namespace {

std::string Joined(std::string_view words, std::string_view more) {
    std::string text(words);
    if (!words.empty() && !more.empty()) {
        text += ": ";
    }
    text += more;
    return text;
}

} // namespace

std::string EndDescription(EndCause cause, std::string_view reason) {
    const EndCauseWords& end = WordsOf(cause);
    return Joined(end.words, end.withReason ? reason : std::string_view());
}

std::string FailureDescription(const PictureFailed& failure) {
    return Joined(WordsOf(failure.why).words, failure.detail);
}

std::string_view EventName(const RunEvent& event) {
    static constexpr std::string_view kNames[] = {
        "waiting for a header", "progress",  "picture stored", "picture failed", "line lost",
        "line still lost",      "line back", "connected",      "disconnected",   "ended"};
    static_assert(std::size(kNames) == std::variant_size_v<RunEvent>);
    return kNames[event.index()];
}

} // namespace transfer
