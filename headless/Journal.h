#pragma once

#include "HeadlessOptions.h"
#include "StatusReporter.h"
#include "transfer/RunListener.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

namespace headless {

// What a run without a window tells on standard error as it goes: its state
// and progress (left out with --quiet), each failed picture with why, and the
// line lost, still lost and back. Each change is told once. The progress
// comes before every block, thousands of times a second from a fast camera:
// the line on a terminal follows it at most twenty times a second.
class Journal final : public transfer::RunListener {
public:
    using Clock = std::chrono::steady_clock;
    // clock: where the time between two progress lines is read.
    Journal(StatusReporter& reporter, const HeadlessOptions& options, const char* program,
            std::function<Clock::time_point()> clock = Clock::now)
        : reporter(reporter), options(options), clock(std::move(clock)), program(program) {}
    void OnRunEvent(const transfer::RunEvent& event) override;

private:
    void ShowProgress(const transfer::Progress& picture);

    StatusReporter& reporter;
    const HeadlessOptions& options;
    const std::function<Clock::time_point()> clock;

    std::string program;
    std::uint64_t failed = 0;
    Clock::time_point progressShown;
};

} // namespace headless
