#include "StatusTexts.h"

#include "WorkerContext.h"
#include "language/LanguageText.h"
#include "platform/Overloaded.h"

#include <cstdio>

namespace transfer {

namespace {

using Line = std::optional<std::string>;

Line EndedLine(const Ended& ended, RunKind kind, const WorkerContext& settings) {
    switch (ended.why) {
    case EndCause::PortFailed:
        return kind == RunKind::Capture ? CapturePortFailedText(settings, ended.reason)
                                        : ended.reason;
    case EndCause::PathRefused:
        return ended.reason;
    case EndCause::Done:
    case EndCause::Stopped:
    case EndCause::FreeSpaceLimit: // the capture stops without a text of its own
    case EndCause::LineLost:       // said when the line went
        break;
    }
    return std::nullopt;
}

} // namespace

std::optional<std::string> StatusLineFor(const RunEvent& event, RunKind kind,
                                         const WorkerContext& settings) {
    const Line line = std::visit(
        platform::Overloaded{
            [](const WaitingForHeader&) -> Line { return std::string(kWaitingForHeaderText); },
            [](const Progress& progress) -> Line { return ProgressText(progress); },
            [](const PictureStored&) -> Line { return std::nullopt; },
            [](const PictureFailed& failure) -> Line {
                if (failure.why == FailureCause::FileNotCreated) {
                    return PictureFileErrorText();
                }
                return std::nullopt;
            },
            [](const LineLost& lost) -> Line { return LineLostText(lost.reason); },
            [](const LineStillLost& still) -> Line { return LineLostText(still.problem); },
            [](const LineBack& back) -> Line { return LineBackText(back.device); },
            [](const Connected&) -> Line { return std::nullopt; },
            [](const Disconnected&) -> Line { return DisconnectedText(); },
            [&](const Ended& ended) { return EndedLine(ended, kind, settings); },
        },
        event);
    if (!line) {
        return std::nullopt;
    }
    return FitStatusText(*line);
}

std::string FitStatusText(std::string_view text) {
    return std::string(text.substr(0, kStatusTextSize - 1));
}

std::string ProgressText(const Progress& progress) {
    char text[kStatusTextSize];
    std::snprintf(text, sizeof text, "Pic %dx%d, %u of %u bytes read", progress.width,
                  progress.height, progress.stored, progress.expected);
    return text;
}

std::string LineLostText(std::string_view reason) {
    return LanguageText::TextOr("STRING_IDS_LINE_LOST",
                                "Line lost, opening the port again every half second:") +
           " " + std::string(reason);
}

std::string LineBackText(std::string_view device) {
    return LanguageText::TextOr("STRING_IDS_LINE_BACK", "Line back:") + " " + std::string(device);
}

std::string PictureFileErrorText() {
    return LanguageText::Text("STRING_IDS_ERROR_OPEN_FILE");
}

std::string DisconnectedText() {
    return LanguageText::Text("STRING_IDS_DISCONNECTED");
}

std::string CapturePortFailedText(const WorkerContext& context, std::string_view reason) {
    if (!context.DevicePath().empty()) {
        return std::string(reason);
    }
    char text[kStatusTextSize];
    std::snprintf(text, sizeof text, "Error open Com%d! %.*s", context.port,
                  static_cast<int>(reason.size()), reason.data());
    return text;
}

} // namespace transfer
