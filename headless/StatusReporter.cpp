#include "StatusReporter.h"

namespace headless {

std::string StatusReporter::ProgressBar(std::uint32_t bytesStored, std::uint32_t bytesExpected,
                                        int width) {
    if (bytesExpected == 0 || width <= 0) {
        return {};
    }
    const std::uint64_t done = bytesStored > bytesExpected ? bytesExpected : bytesStored;
    const auto filled =
        static_cast<std::size_t>(done * static_cast<std::uint64_t>(width) / bytesExpected);
    return "[" + std::string(filled, '#') +
           std::string(static_cast<std::size_t>(width) - filled, ' ') + "]";
}

void StatusReporter::Show(const std::string& statusText, std::uint32_t bytesStored,
                          std::uint32_t bytesExpected) {
    std::lock_guard guard(lock);
    if (!terminal && bytesExpected != 0) {
        return;
    }
    if (statusText == last) {
        return;
    }
    last = statusText;
    if (!terminal) {
        WriteLine(statusText);
        return;
    }
    const std::string bar = ProgressBar(bytesStored, bytesExpected, 30);
    // Clear to the end of the line, so a shorter text leaves nothing behind.
    std::fprintf(stream, "\r%s%s%s\033[K", bar.c_str(), bar.empty() ? "" : " ", statusText.c_str());
    std::fflush(stream);
    lineOpen = true;
}

void StatusReporter::PictureFailed(std::uint64_t failedSoFar, const std::string& why) {
    std::lock_guard guard(lock);
    WriteLine("a picture transfer failed (" + std::to_string(failedSoFar) + " so far): " + why);
}

void StatusReporter::Notice(const std::string& text) {
    std::lock_guard guard(lock);
    WriteLine(text);
    last.clear();
}

void StatusReporter::WriteLine(const std::string& text) {
    EndLine();
    std::fprintf(stream, "%s\n", text.c_str());
    std::fflush(stream);
}

void StatusReporter::Finish() {
    std::lock_guard guard(lock);
    EndLine();
}

void StatusReporter::EndLine() {
    if (lineOpen) {
        std::fprintf(stream, "\n");
        std::fflush(stream);
        lineOpen = false;
    }
}

} // namespace headless
