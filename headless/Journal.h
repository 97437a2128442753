#pragma once

#include "HeadlessOptions.h"
#include "StatusReporter.h"
#include "transfer/RunListener.h"

#include <chrono>
#include <cstdint>
#include <string>

namespace headless {

// What a run without a window tells on standard error as it goes: its state
// and progress (left out with --quiet), each failed picture with why, and the
// line lost, still lost and back. Each change is told once. The progress
// comes before every block, thousands of times a second from a fast camera:
// the line on a terminal follows it at most twenty times a second.
class Journal final : public transfer::RunListener {
public:
    Journal(StatusReporter& reporter, const HeadlessOptions& options, const char* program)
        : reporter(reporter), options(options), program(program) {}
    void OnRunEvent(const transfer::RunEvent& event) override;

private:
    StatusReporter& reporter;
    const HeadlessOptions& options;
    void ShowProgress(const transfer::Progress& picture);

    std::string program;
    std::uint64_t failed = 0;
    std::chrono::steady_clock::time_point progressShown;
};

} // namespace headless
