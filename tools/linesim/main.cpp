// zelnor2-linesim: a null-modem line at a real line's pace between two
// programs, for benchmarks and demonstrations without serial hardware.

#include "CommandLine.h"
#include "LineCounts.h"
#include "Relay.h"
#include "TerminalSpeed.h"
#include "platform/StopSignals.h"
#include "tools/pty/PseudoTerminal.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <sched.h>
#include <string>
#include <vector>

namespace {

// Above ordinary programs, below the kernel's own real-time threads.
constexpr int kRealtimePriority = 10;

std::atomic<linesim::Relay*> runningRelay{nullptr};
static_assert(std::atomic<linesim::Relay*>::is_always_lock_free, "read in a signal handler");

// SIGUSR1 asks for the counts, every other signal caught for the end.
void OnSignal(int signal) {
    linesim::Relay* relay = runningRelay.load();
    if (relay == nullptr) {
        return;
    }
    if (signal == SIGUSR1) {
        relay->RequestReport();
    } else {
        relay->RequestStop();
    }
}

void PrintCounts(const linesim::LineCounts& counts) {
    std::fputs(linesim::FormatCounts(counts).c_str(), stdout);
    std::fflush(stdout);
}

int Serve(const linesim::Settings& settings) {
    tools::PseudoTerminal endA;
    tools::PseudoTerminal endB;
    std::string error;
    if (!endA.Open(error) || !endB.Open(error) || !endA.LinkAs(settings.pathA, error) ||
        !endB.LinkAs(settings.pathB, error)) {
        std::fprintf(stderr, "zelnor2-linesim: %s\n", error.c_str());
        return 1;
    }
    for (const tools::PseudoTerminal* end : {&endA, &endB}) {
        if (!linesim::SetTerminalSpeed(end->SlavePath(), settings.line.bitsPerSecond, error)) {
            std::fprintf(stderr, "zelnor2-linesim: %s\n", error.c_str());
        }
    }
    linesim::Relay relay(endA.Master(), endB.Master(), settings.line);
    if (!relay.IsReady()) {
        std::fprintf(stderr, "zelnor2-linesim: cannot make the relay's wake-up descriptor\n");
        return 1;
    }
    const linesim::LineOptions& line = settings.line;
    std::printf("line A=%s (%s) B=%s (%s) at %ld bit/s, latency %.1f us", settings.pathA.c_str(),
                endA.SlavePath().c_str(), settings.pathB.c_str(), endB.SlavePath().c_str(),
                line.bitsPerSecond,
                std::chrono::duration<double, std::micro>(linesim::EffectiveLatency(line)).count());
    if (line.faults.Any()) {
        std::printf(", error rate %g, drop rate %g, seed %llu, faults from %s",
                    line.faults.errorRate, line.faults.dropRate,
                    static_cast<unsigned long long>(line.faults.seed),
                    line.faults.fromA && line.faults.fromB ? "both"
                    : line.faults.fromA                    ? "a"
                                                           : "b");
    }
    if (settings.realtime) {
        sched_param priority{};
        priority.sched_priority = kRealtimePriority;
        if (::sched_setscheduler(0, SCHED_FIFO, &priority) == 0) {
            std::printf(", real-time");
        } else {
            std::fprintf(stderr, "zelnor2-linesim: no real-time scheduling: %s\n",
                         std::strerror(errno));
        }
    }
    std::printf("\n");
    std::fflush(stdout);

    runningRelay.store(&relay);
    std::signal(SIGPIPE, SIG_IGN);
    // Caught until the program ends, so that a late signal cannot cut the
    // final counts short.
    const platform::StopSignals signals(
        {.caught = {SIGINT, SIGTERM, SIGHUP, SIGUSR1}, .hook = OnSignal});
    relay.Run(PrintCounts);
    runningRelay.store(nullptr);
    PrintCounts(relay.Counts());
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    linesim::Settings settings;
    std::string error;
    if (!linesim::ParseCommandLine(args, settings, error)) {
        std::fprintf(stderr, "zelnor2-linesim: %s\n\n%s", error.c_str(), linesim::UsageText());
        return 64;
    }
    if (settings.help) {
        std::fputs(linesim::UsageText(), stdout);
        return 0;
    }
    return Serve(settings);
}
