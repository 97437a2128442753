#include "RunObservers.h"

#include "platform/File.h"
#include "transfer/WorkerContext.h"
#include "transfer/WorkerEvents.h"

#include <cstdio>

namespace headless {

void PictureCounter::OnNewPicture(const std::string& pictureFile) {
    std::string shown = pictureFile;
    if (options.mode == Mode::Live) {
        if (!platform::CopyFileReplacing(pictureFile, options.path)) {
            std::fprintf(stderr, "%s: cannot write %s\n", program, options.path.c_str());
            return;
        }
        shown = options.path;
    }
    std::printf("%s\n", shown.c_str());
    std::fflush(stdout);
    const std::uint64_t now = ++pictures;
    if (options.count && now >= *options.count) {
        context.stopRequest = 1;
    }
}

RunObservers::RunObservers(PictureCounter& counter, const HeadlessOptions& options,
                           const char* program) {
    SetNewPictureObserver(
        [&counter](const std::string& pictureFile) { counter.OnNewPicture(pictureFile); });
    SetLineObserver([program, &options](LineChange change, const std::string& description) {
        if (change == LineChange::Back) {
            std::fprintf(stderr, "%s: the line is back: %s\n", program, description.c_str());
        } else if (options.reconnect) {
            std::fprintf(stderr, "%s: the line is lost: %s; opening it again every 0.5 s\n",
                         program, description.c_str());
        } else {
            std::fprintf(stderr, "%s: the line is lost: %s\n", program, description.c_str());
        }
    });
}

RunObservers::~RunObservers() {
    SetNewPictureObserver({});
    SetLineObserver({});
}

} // namespace headless
