#pragma once

#include "HeadlessOptions.h"

#include <optional>
#include <string>

class WorkerContext;

namespace headless {

// Puts the run's settings into the context and prepares the display file;
// an exit status when the run cannot start.
class RunSetup {
public:
    RunSetup(WorkerContext& context, const HeadlessOptions& options, const char* program)
        : context(context), options(options), program(program) {}
    RunSetup(const RunSetup&) = delete;
    RunSetup& operator=(const RunSetup&) = delete;

    // The port, speed, device and reconnecting.
    std::optional<int> Describe();
    // The capture path and its rules, or the live run's file.
    std::optional<int> PrepareFiles();

private:
    std::optional<int> PrepareCapture();
    std::optional<int> PrepareLive();

    WorkerContext& context;
    const HeadlessOptions& options;
    const char* program;
};

} // namespace headless
