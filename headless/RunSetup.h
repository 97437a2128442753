#pragma once

#include "HeadlessOptions.h"
#include "platform/NoCopy.h"

#include <optional>
#include <string>

class WorkerContext;

namespace headless {

// Puts the run's settings into the context and prepares the display file;
// why not when the run cannot start.
class RunSetup : private platform::NoCopy {
public:
    RunSetup(WorkerContext& context, const HeadlessOptions& options)
        : context(context), options(options) {}

    // The port, speed, device and reconnecting.
    std::optional<Refusal> Describe();
    // The capture path and its rules, or the live run's file.
    std::optional<Refusal> PrepareFiles();

private:
    std::optional<Refusal> PrepareCapture();
    std::optional<Refusal> PrepareLive();

    WorkerContext& context;
    const HeadlessOptions& options;
};

} // namespace headless
