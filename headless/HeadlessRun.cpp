#include "HeadlessRun.h"

#include "BrokerLink.h"
#include "BrowserView.h"
#include "EndNotice.h"
#include "Journal.h"
#include "PictureAnnouncer.h"
#include "PortCommands.h"
#include "Retention.h"
#include "RunSetup.h"
#include "RunSummary.h"
#include "ServiceNotices.h"
#include "StatusReporter.h"
#include "language/LanguageText.h"
#include "platform/ExecutablePath.h"
#include "platform/StopSignals.h"
#include "transfer/EventWords.h"
#include "transfer/RunTally.h"
#include "transfer/WorkerContext.h"
#include "transfer/WorkerThread.h"
#include "transfer/Workers.h"
#include "version/Version.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <optional>
#include <poll.h>
#include <unistd.h>

namespace headless {

namespace {

using Clock = std::chrono::steady_clock;

int MillisecondsUntil(Clock::time_point deadline) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    return static_cast<int>(std::clamp<std::chrono::milliseconds::rep>(left.count(), 0, 60000));
}

// Waits until the run has told its end; asks it to stop on a signal and once
// the time is up.
void WaitForEnd(WorkerThread& worker, const EndNotice& end, platform::StopSignals& signals,
                const HeadlessOptions& options, Clock::time_point start) {
    // A run without a time limit, or one already asked to stop, waits for
    // its end without a deadline.
    bool timed = options.seconds.has_value();
    const Clock::time_point deadline =
        start + std::chrono::duration_cast<Clock::duration>(
                    std::chrono::duration<double>(options.seconds.value_or(0)));
    for (;;) {
        pollfd watched[2] = {{end.Descriptor(), POLLIN, 0}, {signals.WakeDescriptor(), POLLIN, 0}};
        const int timeout = timed ? MillisecondsUntil(deadline) : -1;
        if (::poll(watched, 2, timeout) > 0 && (watched[0].revents & POLLIN) != 0) {
            return;
        }
        signals.DrainWake();
        if (signals.Raised() || (timed && Clock::now() >= deadline)) {
            worker.RequestStop();
            timed = false;
        }
    }
}

// The ends of a run keep the statuses the program has always ended with.
static_assert(transfer::WordsOf(transfer::EndCause::Stopped).exitStatus == kExitOk &&
              transfer::WordsOf(transfer::EndCause::PathRefused).exitStatus == kExitFailure &&
              transfer::WordsOf(transfer::EndCause::PortFailed).exitStatus == kExitPortUnusable);

// Tells why the run does not start, and gives the status to end with.
int Refuse(const char* program, const Refusal& refusal) {
    std::fprintf(stderr, "%s: %s\n", program, refusal.words.c_str());
    return refusal.status;
}

// The connect check of the dialog's Connect: the port opens at the speed.
std::optional<Refusal> CheckPort(const WorkerContext& context) {
    transfer::RunTally check;
    ConnectWorker(WorkerRun{context, {}, check});
    const transfer::RunSnapshot result = check.Snapshot();
    if (result.end == transfer::EndCause::Done) {
        return std::nullopt;
    }
    constexpr auto kFailed = transfer::EndCause::PortFailed;
    return Refusal{transfer::WordsOf(kFailed).exitStatus,
                   transfer::EndDescription(kFailed, result.reason)};
}

// --capture and --live: connect, run the picture worker until it is done,
// then the summary and the exit status.
int RunPictures(const HeadlessOptions& options, const char* program) {
    if (!LanguageText::LoadCurrentLanguage()) {
        return Refuse(program,
                      {kExitFailure, std::string(LanguageText::kLanguageNotSetMessage) + " (in " +
                                         LanguageText::LanguageFilePath() + ")"});
    }
    std::signal(SIGPIPE, SIG_IGN);
    platform::StopSignals signals(platform::StopSignalSettings{.wakePipe = true});

    WorkerContext context;
    RunSetup setup(context, options);
    if (const auto refused = setup.Describe()) {
        return Refuse(program, *refused);
    }
    StatusReporter reporter(stderr, ::isatty(STDERR_FILENO) == 1);
    // Before the view, which shows its figures, and gone after it.
    const std::unique_ptr<transfer::PictureRetention> retention =
        RetentionFor(options, program, reporter);
    // Before the view, which shows it, and gone after it.
    transfer::RunTally tally;
    std::unique_ptr<web::WebView> view;
    if (const auto refused = StartBrowserView(options, program, tally, retention.get(), view)) {
        return Refuse(program, *refused);
    }
    std::unique_ptr<mqtt::BrokerFeed> feed;
    if (const auto refused = StartBrokerFeed(options, program, view.get(), retention.get(), feed)) {
        return Refuse(program, *refused);
    }
    if (const auto refused = CheckPort(context)) {
        return Refuse(program, *refused);
    }
    if (const auto refused = setup.PrepareFiles()) {
        return Refuse(program, *refused);
    }

    WorkerThread worker;
    PictureAnnouncer announcer(options, context.DisplayFileName(),
                               [&worker] { worker.RequestStop(); });
    Journal journal(reporter, options, program);
    ServiceNotices service;
    EndNotice end;
    if (end.Descriptor() < 0) {
        std::fprintf(stderr, "%s: cannot wait for the end of the run: %s\n", program,
                     std::strerror(errno));
        return kExitFailure;
    }
    transfer::RunListeners listeners{&tally, &announcer, &journal, &service};
    if (view) {
        listeners.Add(*view);
    }
    if (feed) {
        listeners.Add(*feed);
    }
    if (retention) {
        listeners.Add(*retention);
        retention->Start();
    }
    // Last: the main thread goes on once the end is told everywhere.
    listeners.Add(end);
    const auto start = Clock::now();
    if (!worker.Start(options.kind == transfer::RunKind::Capture ? ContinuousCaptureWorker
                                                                 : LiveWorker,
                      context, listeners, retention.get())) {
        return Refuse(program, {kExitFailure, "cannot start the worker thread"});
    }
    WaitForEnd(worker, end, signals, options, start);
    worker.Join();
    if (feed) {
        feed->Stop();
    }
    if (retention) {
        retention->Stop();
    }
    if (view) {
        view->Stop();
    }
    reporter.Finish();

    const transfer::RunSnapshot result = tally.Snapshot();
    const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    std::fprintf(stderr, "%s: %s\n", program,
                 SummaryLine(RunFigures{result.totals, elapsed, context.speed}).c_str());
    const transfer::EndCause why = result.end.value_or(transfer::EndCause::Stopped);
    if (const std::string words = transfer::EndDescription(why, result.reason); !words.empty()) {
        std::fprintf(stderr, "%s: %s\n", program, words.c_str());
    }
    return transfer::WordsOf(why).exitStatus;
}

} // namespace

int RunHeadless(const HeadlessOptions& options, const std::string& programName) {
    switch (options.command) {
    case Command::Help:
        std::fputs(UsageText(programName).c_str(), stdout);
        return kExitOk;
    case Command::Version:
        std::printf("%s %s\n", programName.c_str(), kVersion);
        return kExitOk;
    case Command::ListPorts:
        return ListPorts();
    case Command::MapPort:
        return MapPort(options, programName);
    case Command::Run:
        return RunPictures(options, programName.c_str());
    case Command::Dialog:
        break;
    }
    return kExitUsage;
}

int RunCommandLine(const std::vector<std::string>& arguments) {
    const std::string program = platform::ExecutableBaseName();
    const ParseResult parsed = ParseHeadlessOptions(arguments);
    if (!parsed.error.empty()) {
        std::fprintf(stderr, "%s: %s\n%s", program.c_str(), parsed.error.c_str(),
                     UsageText(program).c_str());
        return kExitUsage;
    }
    return RunHeadless(parsed.options, program);
}

} // namespace headless
