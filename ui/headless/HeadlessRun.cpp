#include "HeadlessRun.h"

#include "PortCommands.h"
#include "RunObservers.h"
#include "RunSetup.h"
#include "RunSummary.h"
#include "StatusReporter.h"
#include "language/LanguageText.h"
#include "platform/StopSignals.h"
#include "transfer/WorkerContext.h"
#include "transfer/WorkerThread.h"
#include "transfer/Workers.h"
#include "version/Version.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <thread>
#include <unistd.h>

namespace headless {

namespace {

constexpr auto kPollPeriod = std::chrono::milliseconds(20);

// Shows the worker's progress until it ends, and asks it to stop on a
// signal or when the time is up.
void WatchWorker(WorkerThread& worker, WorkerContext& context, const HeadlessOptions& options,
                 const platform::StopSignals& signals) {
    StatusReporter reporter(stderr, ::isatty(STDERR_FILENO) == 1);
    std::uint64_t failedShown = 0;
    const auto start = std::chrono::steady_clock::now();
    const auto report = [&] {
        if (options.quiet) {
            return;
        }
        if (const std::uint64_t failed = context.totals.failedPictures.load(); failed > failedShown) {
            failedShown = failed;
            reporter.PictureFailed(failed);
        }
        reporter.Show(context.StatusText(), context.progress.bytesStored,
                      context.progress.bytesExpected);
    };
    while (worker.IsRunning()) {
        const bool timeUp =
            options.seconds &&
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() >=
                *options.seconds;
        if (signals.Raised() || timeUp) {
            context.stopRequest = 1;
        }
        report();
        std::this_thread::sleep_for(kPollPeriod);
    }
    report();
    reporter.Finish();
}

RunFigures FiguresOf(const WorkerContext& context, double elapsedSeconds) {
    RunFigures figures;
    figures.goodPictures = context.totals.goodPictures;
    figures.failedPictures = context.totals.failedPictures.load();
    figures.goodPictureBytes = context.totals.goodPictureBytes;
    figures.elapsedSeconds = elapsedSeconds;
    figures.payloadBytes = context.totals.payloadBytes;
    figures.transferSeconds = static_cast<double>(context.totals.transferMicroseconds) / 1e6;
    figures.speed = context.connectedSpeed;
    return figures;
}

// Says why the worker ended where that is not the asked-for end; the line
// lost was said on standard error as it happened.
void ExplainEnd(const WorkerContext& context, const char* program) {
    switch (context.workerEnd.load()) {
    case WorkerEnd::PortFailed:
        // The worker's own open failed after the check passed: another
        // program took the device, or it was pulled out at that moment.
        std::fprintf(stderr, "%s: cannot use the serial port: %s\n", program,
                     context.EndReason().c_str());
        break;
    case WorkerEnd::PathRefused:
        std::fprintf(stderr, "%s: %s\n", program, context.EndReason().c_str());
        break;
    case WorkerEnd::FreeSpaceLimit:
        std::fprintf(stderr, "%s: stopped, free disk space is below the limit\n", program);
        break;
    case WorkerEnd::LineLost:
    case WorkerEnd::Running:
    case WorkerEnd::Stopped:
        break;
    }
}

// --capture and --live: connect, run the picture worker until it is done,
// then the summary and the exit status.
int RunPictures(const HeadlessOptions& options, const char* program) {
    if (!LanguageText::LoadCurrentLanguage()) {
        std::fprintf(stderr, "%s: %s (in %s)\n", program,
                     std::string(LanguageText::kLanguageNotSetMessage).c_str(),
                     LanguageText::LanguageFilePath().c_str());
        return kExitFailure;
    }
    std::signal(SIGPIPE, SIG_IGN);
    const platform::StopSignals signals;

    WorkerContext context;
    RunSetup setup(context, options, program);
    if (const auto refused = setup.Describe()) {
        return *refused;
    }
    ConnectWorker(&context);
    if (context.connected == 0) {
        std::fprintf(stderr, "%s: cannot use the serial port: %s\n", program,
                     context.EndReason().c_str());
        return kExitPortUnusable;
    }
    if (const auto refused = setup.PrepareFiles()) {
        return *refused;
    }

    PictureCounter counter(context, options, program);
    const RunObservers observers(counter, options, program);
    WorkerThread worker;
    context.stopRequest = 0;
    const auto start = std::chrono::steady_clock::now();
    if (!worker.Start(options.mode == Mode::Capture ? ContinuousCaptureWorker : LiveWorker,
                      &context)) {
        std::fprintf(stderr, "%s: cannot start the worker thread\n", program);
        return kExitFailure;
    }
    WatchWorker(worker, context, options, signals);
    const double elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::fprintf(stderr, "%s: %s\n", program, SummaryLine(FiguresOf(context, elapsed)).c_str());
    ExplainEnd(context, program);
    return ExitStatusFor(context.workerEnd);
}

} // namespace

int RunHeadless(const HeadlessOptions& options, const std::string& programName) {
    switch (options.mode) {
    case Mode::Help:
        std::fputs(UsageText(programName).c_str(), stdout);
        return kExitOk;
    case Mode::Version:
        std::printf("%s %s\n", programName.c_str(), kVersion);
        return kExitOk;
    case Mode::ListPorts:
        return ListPorts();
    case Mode::MapPort:
        return MapPort(options, programName);
    case Mode::Capture:
    case Mode::Live:
        return RunPictures(options, programName.c_str());
    case Mode::Dialog:
        break;
    }
    return kExitUsage;
}

} // namespace headless
