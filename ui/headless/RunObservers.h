#pragma once

#include "HeadlessOptions.h"

#include <atomic>
#include <cstdint>
#include <string>

class WorkerContext;

namespace headless {

// Counts good pictures, names each on standard output and, in live mode,
// keeps a copy of the newest one in the user's file. Runs on the worker's
// thread.
class PictureCounter {
public:
    PictureCounter(WorkerContext& context, const HeadlessOptions& options, const char* program)
        : context(context), options(options), program(program) {}

    void OnNewPicture(const std::string& pictureFile);

private:
    WorkerContext& context;
    const HeadlessOptions& options;
    const char* program;
    std::atomic<std::uint64_t> pictures{0};
};

// Hands the worker's pictures to counter and its line's changes to standard
// error, for as long as the object lives.
class RunObservers {
public:
    RunObservers(PictureCounter& counter, const HeadlessOptions& options, const char* program);
    ~RunObservers();
    RunObservers(const RunObservers&) = delete;
    RunObservers& operator=(const RunObservers&) = delete;
};

} // namespace headless
