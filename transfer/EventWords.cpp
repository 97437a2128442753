#include "EventWords.h"

#include <iterator>

namespace transfer {

std::string_view FailureWords(FailureCause why) {
    switch (why) {
    case FailureCause::Stopped:
        return "stopped";
    case FailureCause::LineLost:
        return "the line was lost";
    case FailureCause::CutShort:
        return "the camera stopped sending";
    case FailureCause::BlocksRejected:
        return "a block failed its check three times";
    case FailureCause::FinalCheckFailed:
        return "the picture's check did not match";
    case FailureCause::FileNotCreated:
        return "the picture file cannot be created";
    case FailureCause::WriteFailed:
        return "the picture file cannot be written";
    case FailureCause::PixelMemoryRefused:
        return "the picture is too large for memory";
    case FailureCause::BitmapNotWritten:
        return "the BMP file cannot be written";
    case FailureCause::AnswerNotSent:
        return "the answer to the camera did not go out";
    case FailureCause::NotPublished:
        return "the picture cannot replace the display file";
    }
    return "unknown";
}

std::string FailureDescription(const PictureFailed& failure) {
    std::string text(FailureWords(failure.why));
    if (!failure.detail.empty()) {
        text += ": " + failure.detail;
    }
    return text;
}

std::string_view EventName(const RunEvent& event) {
    static constexpr std::string_view kNames[] = {
        "waiting for a header", "progress",  "picture stored", "picture failed", "line lost",
        "line still lost",      "line back", "connected",      "disconnected",   "ended"};
    static_assert(std::size(kNames) == std::variant_size_v<RunEvent>);
    return kNames[event.index()];
}

} // namespace transfer
