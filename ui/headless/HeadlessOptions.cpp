#include "HeadlessOptions.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace headless {

namespace {

template <typename Number>
bool ParseWhole(const std::string& text, Number low, Number high, Number& value) {
    Number parsed{};
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, parsed);
    if (error != std::errc() || stop != end || parsed < low || parsed > high) {
        return false;
    }
    value = parsed;
    return true;
}

bool ParseSeconds(const std::string& text, double& value) {
    if (text.empty()) {
        return false;
    }
    char* stop = nullptr;
    const double parsed = std::strtod(text.c_str(), &stop);
    if (stop != text.c_str() + text.size() || !std::isfinite(parsed) || parsed <= 0) {
        return false;
    }
    value = parsed;
    return true;
}

bool IsModeOption(const std::string& argument) {
    return argument == "--capture" || argument == "--live" || argument == "--help" ||
           argument == "-h" || argument == "--version" || argument == "--list-ports" ||
           argument == "--map-port";
}

} // namespace

bool WantsHeadless(const std::vector<std::string>& arguments) {
    for (const std::string& argument : arguments) {
        if (IsModeOption(argument)) {
            return true;
        }
    }
    return false;
}

bool TakesValue(const std::string& option) {
    return option == "--capture" || option == "--live" || option == "--port" ||
           option == "--speed" || option == "--count" || option == "--seconds" ||
           option == "--free-space-limit";
}

ParseResult ParseHeadlessOptions(const std::vector<std::string>& arguments) {
    ParseResult result;
    HeadlessOptions& options = result.options;
    bool portGiven = false;
    bool speedGiven = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& option = arguments[i];
        if (option == "--help" || option == "-h") {
            options.mode = Mode::Help;
            return result;
        }
        if (option == "--version") {
            options.mode = Mode::Version;
            return result;
        }
        if (option == "--list-ports") {
            options.mode = Mode::ListPorts;
            return result;
        }
        if (option == "--map-port") {
            options.mode = Mode::MapPort;
            if (i + 3 != arguments.size() ||
                !ParseWhole<std::int32_t>(arguments[i + 1], 1, 9, options.port) ||
                arguments[i + 2].empty()) {
                result.error = "--map-port needs a port number 1 to 9 and a device";
            } else {
                options.path = arguments[i + 2];
            }
            return result;
        }
        if (option == "--delete-corrupted") {
            options.deleteCorrupted = true;
            continue;
        }
        if (option == "--no-reconnect") {
            options.reconnect = false;
            continue;
        }
        if (!TakesValue(option)) {
            result.error = "unknown option " + option;
            return result;
        }
        if (i + 1 >= arguments.size()) {
            result.error = option + " needs a value";
            return result;
        }
        const std::string& value = arguments[++i];
        bool good = true;
        if (option == "--capture" || option == "--live") {
            if (options.mode != Mode::Dialog) {
                result.error = "give only one of --capture and --live";
                return result;
            }
            options.mode = option == "--capture" ? Mode::Capture : Mode::Live;
            options.path = value;
            good = !value.empty();
        } else if (option == "--port") {
            good = ParseWhole<std::int32_t>(value, 1, 9, options.port);
            portGiven = good;
        } else if (option == "--speed") {
            good = ParseWhole<std::int32_t>(value, 1, std::numeric_limits<std::int32_t>::max(),
                                            options.speed);
            speedGiven = good;
        } else if (option == "--count") {
            std::uint64_t count = 0;
            good = ParseWhole<std::uint64_t>(value, 1, std::numeric_limits<std::uint64_t>::max(),
                                             count);
            options.count = count;
        } else if (option == "--seconds") {
            double seconds = 0;
            good = ParseSeconds(value, seconds);
            options.seconds = seconds;
        } else {
            std::uint32_t limit = 0;
            good = ParseWhole<std::uint32_t>(value, 0, std::numeric_limits<std::uint32_t>::max(),
                                             limit);
            options.freeSpaceLimit = limit;
        }
        if (!good) {
            result.error = "bad value for " + option + ": '" + value + "'";
            return result;
        }
    }
    if (options.mode == Mode::Dialog) {
        return result;
    }
    if (!portGiven || !speedGiven) {
        result.error = "--port and --speed are needed";
    } else if (options.mode == Mode::Live && (options.deleteCorrupted || options.freeSpaceLimit)) {
        result.error = "--delete-corrupted and --free-space-limit belong to --capture";
    }
    return result;
}

std::string UsageText(const std::string& programName) {
    return "usage: " + programName +
           " --capture PATH --port N --speed BPS [--count K] [--seconds T]\n"
           "           [--delete-corrupted] [--free-space-limit BYTES] [--no-reconnect]\n"
           "       " +
           programName +
           " --live FILE --port N --speed BPS [--count K] [--seconds T] [--no-reconnect]\n"
           "       " +
           programName +
           " --list-ports\n"
           "       " +
           programName +
           " --map-port N DEVICE\n"
           "       " +
           programName +
           " --help | --version\n"
           "\n"
           "Without options the program opens its window.\n"
           "  --capture PATH   receive every picture into a numbered file: PATH with an\n"
           "                   eight-digit number before its extension (shot00000000.jpg)\n"
           "  --live FILE      keep the newest good picture in FILE\n"
           "  --port N         serial port COM1 to COM9 (see the ports folder in README)\n"
           "  --speed BPS      line speed in bit/s, e.g. 115200\n"
           "  --count K        stop after K good pictures\n"
           "  --seconds T      stop after T seconds\n"
           "  --delete-corrupted        delete the file of a failed transfer\n"
           "  --free-space-limit BYTES  stop when the disk has less free space\n"
           "  --no-reconnect   end when the line is lost (an adapter unplugged) instead of\n"
           "                   opening the port again every half second until it returns\n"
           "  --list-ports     show what COM1 to COM9 lead to, whether each is there, usable\n"
           "                   and free, and the serial devices no COM name leads to\n"
           "  --map-port N DEVICE  make COMN stand for DEVICE (a link in the ports folder);\n"
           "                   prefer a /dev/serial/by-id name, which survives re-plugging\n"
           "Stops also on Ctrl+C or SIGTERM. Exit status: 0 done, 1 failed (e.g. the link\n"
           "could not be written), 2 port unusable or line lost with --no-reconnect,\n"
           "64 bad command line.\n";
}

} // namespace headless
