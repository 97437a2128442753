#include "PictureAnnouncer.h"

#include "platform/File.h"

#include <cstdio>

namespace headless {

void PictureAnnouncer::OnRunEvent(const transfer::RunEvent& event) {
    const auto* picture = std::get_if<transfer::PictureStored>(&event);
    if (picture == nullptr) {
        return;
    }
    std::string shown = picture->file;
    if (options.kind == transfer::RunKind::Live) {
        if (!platform::CopyFileReplacing(picture->file, options.path)) {
            std::fprintf(stderr, "%s: cannot write %s\n", program, options.path.c_str());
            return;
        }
        shown = options.path;
    }
    std::printf("%s\n", shown.c_str());
    std::fflush(stdout);
    if (options.count && ++pictures >= *options.count) {
        stopRun();
    }
}

} // namespace headless
