#include "StatusReporter.h"

#include <cstdio>

namespace headless {

std::string StatusReporter::ProgressBar(const std::string& statusText, int width) {
    int pictureWidth = 0;
    int pictureHeight = 0;
    unsigned long done = 0;
    unsigned long total = 0;
    if (std::sscanf(statusText.c_str(), "Pic %dx%d, %lu of %lu bytes read", &pictureWidth,
                    &pictureHeight, &done, &total) != 4 ||
        total == 0) {
        return {};
    }
    const int filled = static_cast<int>(static_cast<double>(width) *
                                        static_cast<double>(done > total ? total : done) /
                                        static_cast<double>(total));
    return "[" + std::string(static_cast<std::size_t>(filled), '#') +
           std::string(static_cast<std::size_t>(width - filled), ' ') + "]";
}

void StatusReporter::Show(const std::string& statusText) {
    if (statusText == last) {
        return;
    }
    last = statusText;
    if (!terminal) {
        std::fprintf(stream, "%s\n", statusText.c_str());
        std::fflush(stream);
        return;
    }
    const std::string bar = ProgressBar(statusText, 30);
    // Clear to the end of the line, so a shorter text leaves nothing behind.
    std::fprintf(stream, "\r%s%s%s\033[K", bar.c_str(), bar.empty() ? "" : " ", statusText.c_str());
    std::fflush(stream);
    lineOpen = true;
}

void StatusReporter::Finish() {
    if (lineOpen) {
        std::fprintf(stream, "\n");
        std::fflush(stream);
        lineOpen = false;
    }
}

} // namespace headless
