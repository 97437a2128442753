#pragma once

#include "HeadlessOptions.h"
#include "transfer/RunListener.h"

#include <cstdint>
#include <functional>
#include <string>

namespace headless {

// Names each good picture on standard output and, in live mode, first copies
// it into the user's file; asks the run to stop once --count pictures are
// named. A live picture that cannot reach the user's file is told on
// standard error and not counted.
class PictureAnnouncer final : public transfer::RunListener {
public:
    PictureAnnouncer(const HeadlessOptions& options, const char* program,
                     std::function<void()> stopRun)
        : options(options), program(program), stopRun(std::move(stopRun)) {}
    void OnRunEvent(const transfer::RunEvent& event) override;

private:
    const HeadlessOptions& options;
    const char* program;
    std::function<void()> stopRun;
    std::uint64_t pictures = 0;
};

} // namespace headless
