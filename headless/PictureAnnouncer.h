#pragma once

#include "HeadlessOptions.h"
#include "transfer/RunListener.h"

#include <cstdint>
#include <functional>
#include <string>

namespace headless {

// Names each good picture on standard output and, in capture, first keeps
// it as the newest picture in the display file (live mode receives into the
// user's file itself); asks the run to stop once --count pictures are named.
class PictureAnnouncer final : public transfer::RunListener {
public:
    PictureAnnouncer(const HeadlessOptions& options, std::string displayFile,
                     std::function<void()> stopRun)
        : options(options), displayFile(std::move(displayFile)), stopRun(std::move(stopRun)) {}
    void OnRunEvent(const transfer::RunEvent& event) override;

private:
    void KeepNewest(const transfer::PictureStored& picture) const;

    const HeadlessOptions& options;
    const std::string displayFile;
    std::function<void()> stopRun;
    std::uint64_t pictures = 0;
};

} // namespace headless
