#include "CommandLine.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace linesim {

namespace {

constexpr const char* kUsage =
    "usage: zelnor2-linesim [OPTION...] PATH_A PATH_B\n"
    "\n"
    "Plays a null-modem serial line between two programs: makes two\n"
    "pseudo-terminals, links PATH_A and PATH_B (for example $ZELNOR2_PORTS/COM1\n"
    "and a path for the far end) to their slave sides, and carries every byte\n"
    "written at one end to the other at the pace of the line: at most BITS/10\n"
    "bytes a second each way (start bit, 8 data bits, stop bit), each byte\n"
    "readable a latency after its stop bit. A sender that gets more than 4096\n"
    "bytes ahead of the line waits, and so does a far end that does not read:\n"
    "no byte is lost unless a fault says so. Both slave sides are set to BITS,\n"
    "so that programs that read the speed of their terminal see the line's.\n"
    "\n"
    "On SIGUSR1, and at the end (SIGINT, SIGTERM or SIGHUP, which also remove\n"
    "the links), it prints per direction the bytes carried, corrupted, dropped\n"
    "and refused by the far end, the time the line was busy sending, the\n"
    "moments of the first and last byte handed to the far end, in seconds on\n"
    "the monotonic clock (CLOCK_MONOTONIC), how long the sending end took to\n"
    "answer what it was handed (replies: count, mean, longest), and how late\n"
    "after its due time the line handed over the last byte of each burst.\n"
    "\n"
    "Options:\n"
    "  --speed BITS         line speed in bit/s (default 115200)\n"
    "  --latency US         microseconds from a byte's stop bit to the far end\n"
    "                       (default: one character time, 10/BITS seconds)\n"
    "  --error-rate R       share of bytes (0 to 1) that arrive with one bit\n"
    "                       flipped (default 0)\n"
    "  --drop-rate R        share of bytes (0 to 1) lost on the way; they still\n"
    "                       take their time on the line (default 0)\n"
    "  --seed N             seed of the faults (default 1): the same seed hits\n"
    "                       the same byte positions in every run\n"
    "  --faults-from END    a, b or both (default): the direction(s) faulted,\n"
    "                       by the end that sends\n"
    "  --realtime           run the line under real-time scheduling (SCHED_FIFO;\n"
    "                       needs root or CAP_SYS_NICE), so that it keeps its\n"
    "                       time on a busy machine as hardware would; it never\n"
    "                       spins longer than 0.2 ms before a byte is due\n"
    "  --help               this text\n"
    "\n"
    "Exit status: 0 after a signal, 1 when the line could not be set up, 64 on a\n"
    "usage mistake.\n";

bool ParseUnsigned(const std::string& text, unsigned long long& value) {
    if (text.empty() || text[0] == '-' || text[0] == '+') {
        return false;
    }
    errno = 0;
    char* end = nullptr;
    value = std::strtoull(text.c_str(), &end, 0);
    return errno == 0 && *end == '\0';
}

bool ParseReal(const std::string& text, double minimum, double maximum, double& value) {
    if (text.empty()) {
        return false;
    }
    errno = 0;
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return errno == 0 && *end == '\0' && std::isfinite(value) && value >= minimum &&
           value <= maximum;
}

} // namespace

const char* UsageText() {
    return kUsage;
}

bool ParseCommandLine(const std::vector<std::string>& args, Settings& settings,
                      std::string& error) {
    std::vector<std::string> paths;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& option = args[i];
        if (option == "--help" || option == "-h") {
            settings.help = true;
            return true;
        }
        if (option.rfind("--", 0) != 0) {
            paths.push_back(option);
            continue;
        }
        if (option == "--realtime") {
            settings.realtime = true;
            continue;
        }
        if (i + 1 >= args.size()) {
            error = option + " needs a value";
            return false;
        }
        const std::string& value = args[++i];
        FaultOptions& faults = settings.line.faults;
        if (option == "--speed") {
            unsigned long long speed = 0;
            if (!ParseUnsigned(value, speed) || speed == 0 || speed > 100'000'000) {
                error = "--speed wants bits per second from 1 to 100000000, not " + value;
                return false;
            }
            settings.line.bitsPerSecond = static_cast<long>(speed);
        } else if (option == "--latency") {
            double microseconds = 0;
            if (!ParseReal(value, 0, 60e6, microseconds)) {
                error = "--latency wants microseconds from 0 to 60000000, not " + value;
                return false;
            }
            settings.line.latency = std::chrono::nanoseconds(std::llround(microseconds * 1000.0));
        } else if (option == "--error-rate" || option == "--drop-rate") {
            double rate = 0;
            if (!ParseReal(value, 0, 1, rate)) {
                error = option + " wants a share from 0 to 1, not " + value;
                return false;
            }
            (option == "--error-rate" ? faults.errorRate : faults.dropRate) = rate;
        } else if (option == "--seed") {
            unsigned long long seed = 0;
            if (!ParseUnsigned(value, seed)) {
                error = "--seed wants a number, not " + value;
                return false;
            }
            faults.seed = seed;
        } else if (option == "--faults-from") {
            if (value != "a" && value != "b" && value != "both") {
                error = "--faults-from wants a, b or both, not " + value;
                return false;
            }
            faults.fromA = value != "b";
            faults.fromB = value != "a";
        } else {
            error = "unknown option " + option;
            return false;
        }
    }
    if (settings.line.faults.errorRate + settings.line.faults.dropRate > 1) {
        error = "--error-rate and --drop-rate add up to more than 1";
        return false;
    }
    if (paths.size() != 2) {
        error = "two paths are needed, one for each end of the line";
        return false;
    }
    if (paths[0] == paths[1]) {
        error = "the two ends need different paths";
        return false;
    }
    settings.pathA = paths[0];
    settings.pathB = paths[1];
    return true;
}

} // namespace linesim
