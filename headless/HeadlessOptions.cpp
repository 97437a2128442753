#include "HeadlessOptions.h"

#include "mqtt/BrokerAddress.h"
#include "web/ListenAddress.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <iterator>
#include <limits>
#include <optional>

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

// The longest --keep-days: a hundred years.
constexpr std::uint32_t kMostKeepDays = 36500;

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

// Each option that takes a value stores it; false when the value is not one
// the option takes, with why where there is more to say than that.
using TakeValue = bool (*)(HeadlessOptions& options, const std::string& value, std::string& why);

bool TakePictureMode(HeadlessOptions& options, Mode mode, const std::string& value) {
    options.mode = mode;
    options.path = value;
    return !value.empty();
}

template <typename Number>
bool TakeOptionalWhole(const std::string& value, Number low, std::optional<Number>& field) {
    Number parsed{};
    if (!ParseWhole<Number>(value, low, std::numeric_limits<Number>::max(), parsed)) {
        return false;
    }
    field = parsed;
    return true;
}

template <typename Number>
bool TakeWhole(const std::string& value, Number low, Number high, Number& field) {
    return ParseWhole<Number>(value, low, high, field);
}

bool TakePath(const std::string& value, std::string& field) {
    field = value;
    return !value.empty();
}

bool TakeListenAddress(HeadlessOptions& options, const std::string& value, std::string& why) {
    const web::ParsedListenAddress parsed = web::ParseListenAddress(value);
    why = parsed.error;
    options.serveHttp = parsed.error.empty();
    options.http.view.listen = parsed.address;
    return options.serveHttp;
}

// A name the view answers to besides its address: letters, digits, '-' and
// '.', as a browser sends it in Host (in any case).
bool TakeHostName(HeadlessOptions& options, const std::string& value, std::string& why) {
    const bool good = !value.empty() && std::all_of(value.begin(), value.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '-' || c == '.';
    });
    if (!good) {
        why = "--http-host " + value + ": a host name without a port, e.g. camera.example.org";
        return false;
    }
    std::string lower;
    std::transform(value.begin(), value.end(), std::back_inserter(lower),
                   [](char c) { return static_cast<char>(std::tolower(c)); });
    options.http.view.hostNames.push_back(std::move(lower));
    return true;
}

bool TakeBrokerUrl(HeadlessOptions& options, const std::string& value, std::string& why) {
    const mqtt::ParsedBrokerAddress parsed = mqtt::ParseBrokerUrl(value);
    why = parsed.error;
    options.publishMqtt = parsed.error.empty();
    options.mqtt.client.broker = parsed.address;
    return options.publishMqtt;
}

// A name or prefix that goes into the broker's topics.
bool TakeTopicPart(const std::string& value, std::string& field, std::string& why) {
    field = value;
    if (!mqtt::IsPublishableTopic(value) || value.front() == '/' || value.back() == '/') {
        why = "'" + value + "' cannot stand in a topic (no + or #, no / at either end)";
        return false;
    }
    return true;
}

struct ValueOption {
    const char* name;
    TakeValue take;
    // The browser view's own options, which mean something only with --http.
    bool ofTheView = false;
};

const ValueOption kValueOptions[] = {
    {"--capture", [](HeadlessOptions& o, const std::string& v,
                     std::string&) { return TakePictureMode(o, Mode::Capture, v); }},
    {"--live", [](HeadlessOptions& o, const std::string& v,
                  std::string&) { return TakePictureMode(o, Mode::Live, v); }},
    {"--port", [](HeadlessOptions& o, const std::string& v,
                  std::string&) { return ParseWhole<std::int32_t>(v, 1, 9, o.port); }},
    {"--device",
     [](HeadlessOptions& o, const std::string& v, std::string&) {
         o.device = v;
         return !v.empty();
     }},
    {"--speed",
     [](HeadlessOptions& o, const std::string& v, std::string&) {
         return ParseWhole<std::int32_t>(v, 1, std::numeric_limits<std::int32_t>::max(), o.speed);
     }},
    {"--count", [](HeadlessOptions& o, const std::string& v,
                   std::string&) { return TakeOptionalWhole<std::uint64_t>(v, 1, o.count); }},
    {"--seconds",
     [](HeadlessOptions& o, const std::string& v, std::string&) {
         double seconds = 0;
         if (!ParseSeconds(v, seconds)) {
             return false;
         }
         o.seconds = seconds;
         return true;
     }},
    {"--free-space-limit",
     [](HeadlessOptions& o, const std::string& v, std::string&) {
         return TakeOptionalWhole<std::uint32_t>(v, 0, o.freeSpaceLimit);
     }},
    {"--keep-days",
     [](HeadlessOptions& o, const std::string& v, std::string&) {
         std::uint32_t days = 0;
         if (!ParseWhole<std::uint32_t>(v, 1, kMostKeepDays, days)) {
             return false;
         }
         o.keepDays = days;
         return true;
     }},
    {"--keep-size",
     [](HeadlessOptions& o, const std::string& v, std::string&) {
         o.keepSize = ParseSize(v);
         return o.keepSize.has_value() && *o.keepSize > 0;
     }},
    {"--http", TakeListenAddress},
    {"--http-users",
     [](HeadlessOptions& o, const std::string& v, std::string&) {
         return TakePath(v, o.http.usersFile);
     },
     true},
    {"--http-cert",
     [](HeadlessOptions& o, const std::string& v, std::string&) {
         return TakePath(v, o.http.certificateFile);
     },
     true},
    {"--http-key",
     [](HeadlessOptions& o, const std::string& v, std::string&) {
         return TakePath(v, o.http.keyFile);
     },
     true},
    {"--http-host", TakeHostName, true},
    {"--http-request-deadline",
     [](HeadlessOptions& o, const std::string& v, std::string&) {
         return TakeWhole<unsigned>(v, 1, 3600, o.http.view.requestDeadlineSeconds);
     },
     true},
    {"--http-max-connections",
     [](HeadlessOptions& o, const std::string& v, std::string&) {
         return TakeWhole<unsigned>(v, 1, 10000, o.http.view.maxConnections);
     },
     true},
    {"--http-max-per-address",
     [](HeadlessOptions& o, const std::string& v, std::string&) {
         return TakeWhole<unsigned>(v, 0, 10000, o.http.view.maxConnectionsPerAddress);
     },
     true},
    {"--http-idle-timeout",
     [](HeadlessOptions& o, const std::string& v, std::string&) {
         return TakeWhole<unsigned>(v, 1, 86400, o.http.view.idleTimeoutSeconds);
     },
     true},
    {"--http-max-rate",
     [](HeadlessOptions& o, const std::string& v, std::string&) {
         return TakeWhole<unsigned>(v, 0, 1000, o.http.view.maxPicturesPerSecond);
     },
     true},
    {"--http-max-request",
     [](HeadlessOptions& o, const std::string& v, std::string&) {
         return TakeWhole<std::size_t>(v, 1024, 1024 * 1024, o.http.view.requestMemoryBytes);
     },
     true},
    {"--name",
     [](HeadlessOptions& o, const std::string& v, std::string& why) {
         return TakeTopicPart(v, o.name, why) && v.find('/') == std::string::npos;
     }},
    {"--mqtt", TakeBrokerUrl},
    {"--mqtt-ca", [](HeadlessOptions& o, const std::string& v,
                     std::string&) { return TakePath(v, o.mqtt.client.caFile); }},
    {"--mqtt-cert", [](HeadlessOptions& o, const std::string& v,
                       std::string&) { return TakePath(v, o.mqtt.client.certFile); }},
    {"--mqtt-key", [](HeadlessOptions& o, const std::string& v,
                      std::string&) { return TakePath(v, o.mqtt.client.keyFile); }},
    {"--mqtt-user", [](HeadlessOptions& o, const std::string& v,
                       std::string&) { return TakePath(v, o.mqtt.client.user); }},
    {"--mqtt-password-file", [](HeadlessOptions& o, const std::string& v,
                                std::string&) { return TakePath(v, o.mqtt.passwordFile); }},
    {"--mqtt-topic",
     [](HeadlessOptions& o, const std::string& v, std::string& why) {
         return TakeTopicPart(v, o.mqtt.client.topicPrefix, why);
     }},
    {"--mqtt-discovery-prefix",
     [](HeadlessOptions& o, const std::string& v, std::string& why) {
         return TakeTopicPart(v, o.mqtt.client.discoveryPrefix, why);
     }},
};

const ValueOption* FindValueOption(const std::string& name) {
    for (const ValueOption& option : kValueOptions) {
        if (name == option.name) {
            return &option;
        }
    }
    return nullptr;
}

// Options without a value that set a switch; true when name is one of them.
bool TakeSwitch(HeadlessOptions& options, const std::string& name) {
    if (name == "--delete-corrupted") {
        options.deleteCorrupted = true;
    } else if (name == "--no-reconnect") {
        options.reconnect = false;
    } else if (name == "--quiet" || name == "-q") {
        options.quiet = true;
    } else if (name == "--mqtt-no-discovery") {
        options.mqtt.discovery = false;
    } else {
        return false;
    }
    return true;
}

// The options that end the command line: what they ask for, or nothing when
// name is none of them.
std::optional<Mode> CommandMode(const std::string& name) {
    if (name == "--help" || name == "-h") {
        return Mode::Help;
    }
    if (name == "--version") {
        return Mode::Version;
    }
    if (name == "--list-ports") {
        return Mode::ListPorts;
    }
    if (name == "--map-port") {
        return Mode::MapPort;
    }
    return std::nullopt;
}

// The options that make the program run without a window.
bool IsModeOption(const std::string& argument) {
    return argument == "--capture" || argument == "--live" || CommandMode(argument).has_value();
}

// --map-port N DEVICE, the last words of the command line.
void TakeMapPort(const std::vector<std::string>& rest, ParseResult& result) {
    if (rest.size() != 2 || !ParseWhole<std::int32_t>(rest[0], 1, 9, result.options.port) ||
        rest[1].empty()) {
        result.error = "--map-port needs a port number 1 to 9 and a device";
        return;
    }
    result.options.path = rest[1];
}

// The broker's rules between options, once all are read.
std::string CheckBrokerCombination(const HeadlessOptions& options) {
    const mqtt::MqttOptions& client = options.mqtt.client;
    if (client.certFile.empty() != client.keyFile.empty()) {
        return "--mqtt-cert and --mqtt-key go together";
    }
    if (!client.broker.tls && !(client.caFile.empty() && client.certFile.empty())) {
        return "--mqtt-ca, --mqtt-cert and --mqtt-key belong to an mqtts:// broker";
    }
    if (!options.mqtt.passwordFile.empty() && client.user.empty()) {
        return "--mqtt-password-file belongs to --mqtt-user";
    }
    return "";
}

// The rules between options, once all are read.
std::string CheckCombination(const HeadlessOptions& options) {
    const bool portGiven = options.port != 0;
    const bool deviceGiven = !options.device.empty();
    if (portGiven == deviceGiven) {
        return portGiven ? "give only one of --port and --device" : "--port or --device is needed";
    }
    if (options.speed == 0) {
        return "--speed is needed";
    }
    if (options.mode == Mode::Live && (options.deleteCorrupted || options.freeSpaceLimit)) {
        return "--delete-corrupted and --free-space-limit belong to --capture";
    }
    if (options.mode == Mode::Live && (options.keepDays || options.keepSize)) {
        return "--keep-days and --keep-size belong to --capture";
    }
    if (options.http.certificateFile.empty() != options.http.keyFile.empty()) {
        return "--http-cert and --http-key go together";
    }
    return CheckBrokerCombination(options);
}

} // namespace

std::optional<std::uint64_t> ParseSize(const std::string& text) {
    static constexpr struct {
        char letter;
        int shift;
    } kUnits[] = {{'K', 10}, {'M', 20}, {'G', 30}, {'T', 40}};
    std::string digits = text;
    int shift = 0;
    for (const auto& unit : kUnits) {
        if (!digits.empty() && digits.back() == unit.letter) {
            digits.pop_back();
            shift = unit.shift;
            break;
        }
    }
    std::uint64_t number = 0;
    if (!ParseWhole<std::uint64_t>(digits, 0, std::numeric_limits<std::uint64_t>::max() >> shift,
                                   number)) {
        return std::nullopt;
    }
    return number << shift;
}

bool WantsHeadless(const std::vector<std::string>& arguments) {
    for (const std::string& argument : arguments) {
        if (IsModeOption(argument)) {
            return true;
        }
    }
    return false;
}

bool TakesValue(const std::string& option) {
    return FindValueOption(option) != nullptr;
}

ParseResult ParseHeadlessOptions(const std::vector<std::string>& arguments) {
    ParseResult result;
    HeadlessOptions& options = result.options;
    bool viewDetails = false;
    bool brokerDetails = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& option = arguments[i];
        if (const auto mode = CommandMode(option)) {
            options.mode = *mode;
            if (*mode == Mode::MapPort) {
                TakeMapPort(
                    {arguments.begin() + static_cast<std::ptrdiff_t>(i) + 1, arguments.end()},
                    result);
            }
            return result;
        }
        if (TakeSwitch(options, option)) {
            continue;
        }
        const ValueOption* known = FindValueOption(option);
        if (known == nullptr) {
            result.error = "unknown option " + option;
            return result;
        }
        if (i + 1 >= arguments.size()) {
            result.error = option + " needs a value";
            return result;
        }
        const bool picks = option == "--capture" || option == "--live";
        if (picks && options.mode != Mode::Dialog) {
            result.error = "give only one of --capture and --live";
            return result;
        }
        const std::string& value = arguments[++i];
        std::string why;
        if (!known->take(options, value, why)) {
            result.error = why.empty() ? "bad value for " + option + ": '" + value + "'" : why;
            return result;
        }
        viewDetails = viewDetails || known->ofTheView;
        brokerDetails = brokerDetails || option.starts_with("--mqtt-");
    }
    if (options.mode != Mode::Dialog) {
        result.error = CheckCombination(options);
        if (result.error.empty() && viewDetails && !options.serveHttp) {
            result.error = "the --http-... options belong to --http";
        }
        if (result.error.empty() && (brokerDetails || !options.mqtt.discovery) &&
            !options.publishMqtt) {
            result.error = "the --mqtt-... options belong to --mqtt";
        }
    }
    return result;
}

std::string UsageText(const std::string& programName) {
    const std::string indent(programName.size() + 8, ' ');
    return "usage: " + programName +
           " --capture PATH (--port N | --device PATH) --speed BPS [--count K]\n" + indent +
           "[--seconds T] [--delete-corrupted] [--free-space-limit BYTES]\n" + indent +
           "[--keep-days D] [--keep-size SIZE]\n" + indent +
           "[--no-reconnect] [--quiet] [--http [ADDR:]PORT [--http-...]]\n" + indent +
           "[--name NAME] [--mqtt URL [--mqtt-...]]\n"
           "       " +
           programName + " --live FILE (--port N | --device PATH) --speed BPS [--count K]\n" +
           indent + "[--seconds T] [--no-reconnect] [--quiet] [--http [ADDR:]PORT [--http-...]]\n" +
           indent + "[--name NAME] [--mqtt URL [--mqtt-...]]\n" + "       " + programName +
           " --list-ports\n"
           "       " +
           programName + " --map-port N DEVICE\n" + "       " + programName +
           " --help | --version\n"
           "\n"
           "Without options the program opens its window.\n"
           "  --capture PATH   receive every picture into a numbered file: PATH with an\n"
           "                   eight-digit number before its extension (shot00000000.jpg),\n"
           "                   after the highest one present; no file is ever replaced\n"
           "  --live FILE      keep the newest good picture in FILE\n"
           "  --port N         serial port COM1 to COM9 (see the ports folder in README)\n"
           "  --device PATH    the serial device itself, e.g. /dev/serial/by-id/usb-...\n"
           "  --speed BPS      line speed in bit/s, e.g. 115200\n"
           "  --count K        stop after K good pictures\n"
           "  --seconds T      stop after T seconds\n"
           "  --delete-corrupted        delete the file of a failed transfer\n"
           "  --free-space-limit BYTES  stop when the disk has less free space; with\n"
           "                   --keep-days or --keep-size delete the oldest pictures first\n"
           "                   and stop only when none is left to delete\n"
           "  --keep-days D    delete the numbered pictures of PATH older than D days\n"
           "  --keep-size SIZE delete the oldest numbered pictures of PATH while they take\n"
           "                   more than SIZE: bytes, or K, M, G, T (1024-based) behind the\n"
           "                   number, e.g. 500M, 20G; the newest picture always stays\n"
           "  --no-reconnect   end when the line is lost (an adapter unplugged) instead of\n"
           "                   opening the port again every half second until it returns\n"
           "  -q, --quiet      no progress lines; warnings and the summary remain\n"
           "  --http [ADDR:]PORT  show the camera to browsers: the live picture, the state,\n"
           "                   the newest and the recent pictures; on 127.0.0.1 unless an\n"
           "                   address is given (0.0.0.0, [::], [::1] or another one)\n"
           "  --http-users FILE    an htpasswd file (bcrypt, SHA-512 or yescrypt): only\n"
           "                   those users may watch\n"
           "  --http-cert FILE --http-key FILE  serve HTTPS with this certificate and key\n"
           "  --http-host NAME    a name the view answers to besides its address and\n"
           "                   localhost (repeatable); other names get 421\n"
           "  --http-max-connections N     viewers' connections at once (default 64)\n"
           "  --http-max-per-address N     connections from one address (default 16;\n"
           "                   0: any, as behind a reverse proxy)\n"
           "  --http-idle-timeout S        close a connection that neither asks nor takes a\n"
           "                   byte this long (default 30)\n"
           "  --http-request-deadline S    a request must be whole within S seconds\n"
           "                   (default 10)\n"
           "  --http-max-request BYTES     the largest request taken (default 32768)\n"
           "  --http-max-rate N   pictures a second one stream viewer gets at most\n"
           "                   (default 30; 0: every picture)\n"
           "  --name NAME      the camera's name among several (default: the COM name or the\n"
           "                   device file's name), for the broker's topics and the views\n"
           "  --mqtt URL       publish the state, pictures and events to an MQTT broker:\n"
           "                   mqtt://HOST[:PORT] (1883) or mqtts://HOST[:PORT] (TLS, 8883)\n"
           "  --mqtt-ca FILE   check an mqtts:// broker against this certificate authority\n"
           "                   (default: the system's)\n"
           "  --mqtt-cert FILE --mqtt-key FILE  a client certificate and its key\n"
           "  --mqtt-user NAME --mqtt-password-file FILE  log in; the password is the\n"
           "                   file's first line\n"
           "  --mqtt-topic PREFIX  the camera's topics lie below it (default zelnor2/NAME)\n"
           "  --mqtt-no-discovery  do not announce the camera to Home Assistant\n"
           "  --mqtt-discovery-prefix PREFIX  where Home Assistant's discovery listens\n"
           "                   (default homeassistant)\n"
           "  --list-ports     show what COM1 to COM9 lead to, whether each is there, usable\n"
           "                   and free, and the serial devices no COM name leads to\n"
           "  --map-port N DEVICE  make COMN stand for DEVICE (a link in the ports folder);\n"
           "                   prefer a /dev/serial/by-id name, which survives re-plugging\n"
           "Each good picture is named on standard output; progress, warnings and, at the\n"
           "end, a summary line go to standard error. Stops also on Ctrl+C or SIGTERM.\n"
           "Exit status: 0 done (also when the free-space limit was reached), 1 failed\n"
           "(e.g. the pictures' folder cannot be written, the --http address cannot be\n"
           "used), 2 port unusable or line lost with --no-reconnect, 64 bad command line\n"
           "(also a users, certificate or password file that cannot be used).\n";
}

} // namespace headless
