#include "StatusTexts.h"

#include "WorkerContext.h"
#include "language/LanguageText.h"

#include <cstdio>

namespace transfer {

std::string ProgressText(const Progress& progress) {
    char text[WorkerContext::kStatusTextSize];
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
    char text[WorkerContext::kStatusTextSize];
    std::snprintf(text, sizeof text, "Error open Com%d! %.*s", context.port.load(),
                  static_cast<int>(reason.size()), reason.data());
    return text;
}

} // namespace transfer
