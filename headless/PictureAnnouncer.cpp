#include "PictureAnnouncer.h"

#include "platform/File.h"

#include <cstdio>

namespace headless {

void PictureAnnouncer::OnRunEvent(const transfer::RunEvent& event) {
    const auto* picture = std::get_if<transfer::PictureStored>(&event);
    if (picture == nullptr) {
        return;
    }
    if (options.kind == transfer::RunKind::Capture && !displayFile.empty()) {
        KeepNewest(*picture);
    }
    std::printf("%s\n", picture->file.c_str());
    std::fflush(stdout);
    if (options.count && ++pictures >= *options.count) {
        stopRun();
    }
}

void PictureAnnouncer::KeepNewest(const transfer::PictureStored& picture) const {
    // A second name of the numbered file costs no byte written; only where
    // the two folders lie on different file systems (or one without links)
    // are the picture's bytes written again. Either way the display file is
    // replaced whole. One that cannot be written leaves the picture stored
    // all the same, as the window's copy always did.
    if (!platform::LinkReplacing(picture.file, displayFile)) {
        platform::WriteFileReplacing(displayFile, picture.picture->bytes);
    }
}

} // namespace headless
