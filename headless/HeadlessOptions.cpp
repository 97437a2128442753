#include "HeadlessOptions.h"

#include "mqtt/BrokerAddress.h"
#include "web/WebOptions.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <getopt.h>
#include <iterator>
#include <limits>
#include <mutex>
#include <optional>
#include <string_view>
#include <type_traits>

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

bool TakeRun(HeadlessOptions& options, transfer::RunKind kind, const std::string& value) {
    options.command = Command::Run;
    options.kind = kind;
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

bool TakePath(const std::string& value, std::string& field) {
    field = value;
    return !value.empty();
}

// The setting a chain of members leads to from the options: <&HeadlessOptions::http,
// &HttpOptions::keyFile> is options.http.keyFile. With it one function serves
// every option that stores its value in the same way.
template <auto... Members> auto& SettingOf(HeadlessOptions& options) {
    return (options.*....*Members);
}

template <auto... Members>
bool TakePathInto(HeadlessOptions& options, const std::string& value, std::string&) {
    return TakePath(value, SettingOf<Members...>(options));
}

// A whole number from low to high.
template <auto Low, auto High, auto... Members>
bool TakeWholeInto(HeadlessOptions& options, const std::string& value, std::string&) {
    auto& setting = SettingOf<Members...>(options);
    using Number = std::remove_reference_t<decltype(setting)>;
    return ParseWhole<Number>(value, static_cast<Number>(Low), static_cast<Number>(High), setting);
}

// A setting of the browser view, whole from low to high.
template <auto Low, auto High, auto Member>
constexpr TakeValue kTakeViewWhole =
    TakeWholeInto<Low, High, &HeadlessOptions::http, &HttpOptions::view, Member>;

// A setting of the broker client.
template <auto Member>
constexpr TakeValue kTakeBrokerPath =
    TakePathInto<&HeadlessOptions::mqtt, &BrokerOptions::client, Member>;

// An address that turns a part of the run on (the browser view, the
// broker): parse gives it with its error; the part is on when it is good.
template <auto Parse, auto On, auto... Members>
bool TakeAddress(HeadlessOptions& options, const std::string& value, std::string& why) {
    const auto parsed = Parse(value);
    why = parsed.error;
    options.*On = parsed.error.empty();
    SettingOf<Members...>(options) = parsed.address;
    return options.*On;
}

constexpr TakeValue TakeListenAddress =
    TakeAddress<web::ParseListenAddress, &HeadlessOptions::serveHttp, &HeadlessOptions::http,
                &HttpOptions::view, &web::WebOptions::listen>;

constexpr TakeValue TakeBrokerUrl =
    TakeAddress<mqtt::ParseBrokerUrl, &HeadlessOptions::publishMqtt, &HeadlessOptions::mqtt,
                &BrokerOptions::client, &mqtt::MqttOptions::broker>;

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

// A name or prefix that goes into the broker's topics.
bool TakeTopicPart(const std::string& value, std::string& field, std::string& why) {
    field = value;
    if (!mqtt::IsPublishableTopic(value) || value.front() == '/' || value.back() == '/') {
        why = "'" + value + "' cannot stand in a topic (no + or #, no / at either end)";
        return false;
    }
    return true;
}

// What an option is to the rest of the command line.
enum class Role {
    Plain,
    Picks,    // --capture and --live: the run, of which one is given
    Ends,     // a command that ends the command line
    ByView,   // means something only with --http
    ByBroker, // means something only with --mqtt
};

// Every option the program takes, once: the parser reads the command line by
// this table and --help lists it, so that the two cannot part.
struct Option {
    const char* name;
    char letter;       // the short form, or 0
    const char* value; // what its value stands for in --help; nullptr: none
    TakeValue take;    // stores the value, or sets the switch (value empty)
    Role role;
    const char* help;                  // its lines in --help, the first beside the name
    Command command = Command::Dialog; // what an option that ends the line asks for
};

// Where the words of an option start in --help.
constexpr std::size_t kHelpColumn = 19;

// getopt_long returns an option's letter, or for a long option this plus its
// place in the table: above every letter.
constexpr int kLetterCount = 256;

const Option kOptions[] = {
    {"--capture", 0, "PATH",
     [](HeadlessOptions& o, const std::string& v, std::string&) {
         return TakeRun(o, transfer::RunKind::Capture, v);
     },
     Role::Picks,
     "receive every picture into a numbered file: PATH with an\n"
     "eight-digit number before its extension (shot00000000.jpg),\n"
     "after the highest one present; no file is ever replaced"},
    {"--live", 0, "FILE",
     [](HeadlessOptions& o, const std::string& v, std::string&) {
         return TakeRun(o, transfer::RunKind::Live, v);
     },
     Role::Picks, "keep the newest good picture in FILE"},
    {"--port", 0, "N", TakeWholeInto<1, 9, &HeadlessOptions::port>, Role::Plain,
     "serial port COM1 to COM9 (see the ports folder in README)"},
    {"--device", 0, "PATH", TakePathInto<&HeadlessOptions::device>, Role::Plain,
     "the serial device itself, e.g. /dev/serial/by-id/usb-..."},
    {"--speed", 0, "BPS",
     TakeWholeInto<1, std::numeric_limits<std::int32_t>::max(), &HeadlessOptions::speed>,
     Role::Plain, "line speed in bit/s, e.g. 115200"},
    {"--count", 0, "K",
     [](HeadlessOptions& o, const std::string& v, std::string&) {
         return TakeOptionalWhole<std::uint64_t>(v, 1, o.count);
     },
     Role::Plain, "stop after K good pictures"},
    {"--seconds", 0, "T",
     [](HeadlessOptions& o, const std::string& v, std::string&) {
         double seconds = 0;
         if (!ParseSeconds(v, seconds)) {
             return false;
         }
         o.seconds = seconds;
         return true;
     },
     Role::Plain, "stop after T seconds"},
    {"--delete-corrupted", 0, nullptr,
     [](HeadlessOptions& o, const std::string&, std::string&) {
         o.deleteCorrupted = true;
         return true;
     },
     Role::Plain, "delete the file of a failed transfer"},
    {"--free-space-limit", 0, "BYTES",
     [](HeadlessOptions& o, const std::string& v, std::string&) {
         return TakeOptionalWhole<std::uint32_t>(v, 0, o.freeSpaceLimit);
     },
     Role::Plain,
     "stop when the disk has less free space; with\n"
     "--keep-days or --keep-size delete the oldest pictures first\n"
     "and stop only when none is left to delete"},
    {"--keep-days", 0, "D",
     [](HeadlessOptions& o, const std::string& v, std::string&) {
         std::uint32_t days = 0;
         if (!ParseWhole<std::uint32_t>(v, 1, kMostKeepDays, days)) {
             return false;
         }
         o.keepDays = days;
         return true;
     },
     Role::Plain, "delete the numbered pictures of PATH older than D days"},
    {"--keep-size", 0, "SIZE",
     [](HeadlessOptions& o, const std::string& v, std::string&) {
         o.keepSize = ParseSize(v);
         return o.keepSize.has_value() && *o.keepSize > 0;
     },
     Role::Plain,
     "delete the oldest numbered pictures of PATH while they take\n"
     "more than SIZE: bytes, or K, M, G, T (1024-based) behind the\n"
     "number, e.g. 500M, 20G; the newest picture always stays"},
    {"--no-reconnect", 0, nullptr,
     [](HeadlessOptions& o, const std::string&, std::string&) {
         o.reconnect = false;
         return true;
     },
     Role::Plain,
     "end when the line is lost (an adapter unplugged) instead of\n"
     "opening the port again every half second until it returns"},
    {"--quiet", 'q', nullptr,
     [](HeadlessOptions& o, const std::string&, std::string&) {
         o.quiet = true;
         return true;
     },
     Role::Plain, "no progress lines; warnings and the summary remain"},
    {"--http", 0, "[ADDR:]PORT", TakeListenAddress, Role::Plain,
     "show the camera to browsers: the live picture, the state,\n"
     "the newest and the recent pictures; on 127.0.0.1 unless an\n"
     "address is given (0.0.0.0, [::], [::1] or another one)"},
    {"--http-users", 0, "FILE", TakePathInto<&HeadlessOptions::http, &HttpOptions::usersFile>,
     Role::ByView,
     "an htpasswd file (bcrypt, SHA-512 or yescrypt): only\n"
     "those users may watch"},
    {"--http-cert", 0, "FILE", TakePathInto<&HeadlessOptions::http, &HttpOptions::certificateFile>,
     Role::ByView, "serve HTTPS with this certificate; with --http-key"},
    {"--http-key", 0, "FILE", TakePathInto<&HeadlessOptions::http, &HttpOptions::keyFile>,
     Role::ByView, "the certificate's private key"},
    {"--http-host", 0, "NAME", TakeHostName, Role::ByView,
     "a name the view answers to besides its address and\n"
     "localhost (repeatable); other names get 421"},
    {"--http-max-connections", 0, "N", kTakeViewWhole<1, 10000, &web::WebOptions::maxConnections>,
     Role::ByView, "viewers' connections at once (default 64)"},
    {"--http-max-per-address", 0, "N",
     kTakeViewWhole<0, 10000, &web::WebOptions::maxConnectionsPerAddress>, Role::ByView,
     "connections from one address (default 16;\n"
     "0: any, as behind a reverse proxy)"},
    {"--http-idle-timeout", 0, "S", kTakeViewWhole<1, 86400, &web::WebOptions::idleTimeoutSeconds>,
     Role::ByView,
     "close a connection that neither asks nor takes a\n"
     "byte this long (default 30)"},
    {"--http-request-deadline", 0, "S",
     kTakeViewWhole<1, 3600, &web::WebOptions::requestDeadlineSeconds>, Role::ByView,
     "a request must be whole within S seconds\n"
     "(default 10)"},
    {"--http-max-request", 0, "BYTES",
     kTakeViewWhole<1024, 1024 * 1024, &web::WebOptions::requestMemoryBytes>, Role::ByView,
     "the largest request taken (default 32768)"},
    {"--http-max-rate", 0, "N", kTakeViewWhole<0, 1000, &web::WebOptions::maxPicturesPerSecond>,
     Role::ByView,
     "pictures a second one stream viewer gets at most\n"
     "(default 30; 0: every picture)"},
    {"--name", 0, "NAME",
     [](HeadlessOptions& o, const std::string& v, std::string& why) {
         return TakeTopicPart(v, o.name, why) && v.find('/') == std::string::npos;
     },
     Role::Plain,
     "the camera's name among several (default: the COM name or the\n"
     "device file's name), for the broker's topics and the views"},
    {"--mqtt", 0, "URL", TakeBrokerUrl, Role::Plain,
     "publish the state, pictures and events to an MQTT broker:\n"
     "mqtt://HOST[:PORT] (1883) or mqtts://HOST[:PORT] (TLS, 8883)"},
    {"--mqtt-ca", 0, "FILE", kTakeBrokerPath<&mqtt::MqttOptions::caFile>, Role::ByBroker,
     "check an mqtts:// broker against this certificate authority\n"
     "(default: the system's)"},
    {"--mqtt-cert", 0, "FILE", kTakeBrokerPath<&mqtt::MqttOptions::certFile>, Role::ByBroker,
     "a client certificate; with --mqtt-key"},
    {"--mqtt-key", 0, "FILE", kTakeBrokerPath<&mqtt::MqttOptions::keyFile>, Role::ByBroker,
     "the client certificate's private key"},
    {"--mqtt-user", 0, "NAME", kTakeBrokerPath<&mqtt::MqttOptions::user>, Role::ByBroker,
     "log in as NAME; with --mqtt-password-file"},
    {"--mqtt-password-file", 0, "FILE",
     TakePathInto<&HeadlessOptions::mqtt, &BrokerOptions::passwordFile>, Role::ByBroker,
     "the password to log in with: the file's first line"},
    {"--mqtt-topic", 0, "PREFIX",
     [](HeadlessOptions& o, const std::string& v, std::string& why) {
         return TakeTopicPart(v, o.mqtt.client.topicPrefix, why);
     },
     Role::ByBroker, "the camera's topics lie below it (default zelnor2/NAME)"},
    {"--mqtt-no-discovery", 0, nullptr,
     [](HeadlessOptions& o, const std::string&, std::string&) {
         o.mqtt.discovery = false;
         return true;
     },
     Role::ByBroker, "do not announce the camera to Home Assistant"},
    {"--mqtt-discovery-prefix", 0, "PREFIX",
     [](HeadlessOptions& o, const std::string& v, std::string& why) {
         return TakeTopicPart(v, o.mqtt.client.discoveryPrefix, why);
     },
     Role::ByBroker,
     "where Home Assistant's discovery listens\n"
     "(default homeassistant)"},
    {"--list-ports", 0, nullptr, nullptr, Role::Ends,
     "show what COM1 to COM9 lead to, whether each is there, usable\n"
     "and free, and the serial devices no COM name leads to",
     Command::ListPorts},
    // Its port and device are the last words of the command line.
    {"--map-port", 0, "N DEVICE", nullptr, Role::Ends,
     "make COMN stand for DEVICE (a link in the ports folder);\n"
     "prefer a /dev/serial/by-id name, which survives re-plugging",
     Command::MapPort},
    {"--help", 'h', nullptr, nullptr, Role::Ends, "show this text and end", Command::Help},
    {"--version", 0, nullptr, nullptr, Role::Ends, "show the program's version and end",
     Command::Version},
};

bool TakesAValue(const Option& option) {
    return option.value != nullptr && option.role != Role::Ends;
}

// The option that text names exactly, in its long or short form.
const Option* Named(std::string_view text) {
    for (const Option& option : kOptions) {
        if (text == option.name || (option.letter != 0 && text.size() == 2 && text[0] == '-' &&
                                    text[1] == option.letter)) {
            return &option;
        }
    }
    return nullptr;
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
    if (options.kind == transfer::RunKind::Live &&
        (options.deleteCorrupted || options.freeSpaceLimit)) {
        return "--delete-corrupted and --free-space-limit belong to --capture";
    }
    if (options.kind == transfer::RunKind::Live && (options.keepDays || options.keepSize)) {
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
    return std::any_of(arguments.begin(), arguments.end(), [](const std::string& argument) {
        const Option* option = Named(argument);
        return option != nullptr && (option->role == Role::Picks || option->role == Role::Ends);
    });
}

bool TakesValue(const std::string& option) {
    const Option* named = Named(option);
    return named != nullptr && TakesAValue(*named);
}

namespace {

// getopt_long's view of the table: each option returns its index in it.
std::vector<::option> LongOptions() {
    std::vector<::option> options;
    for (std::size_t i = 0; i < std::size(kOptions); ++i) {
        options.push_back({kOptions[i].name + 2,
                           TakesAValue(kOptions[i]) ? required_argument : no_argument, nullptr,
                           static_cast<int>(kLetterCount + i)});
    }
    options.push_back({});
    return options;
}

// "+" stops at the first word that is no option, ":" tells a missing value
// apart from an unknown option.
std::string ShortOptions() {
    std::string letters = "+:";
    for (const Option& option : kOptions) {
        if (option.letter != 0) {
            letters += option.letter;
        }
    }
    return letters;
}

const Option* Returned(int code) {
    if (code >= kLetterCount && code < kLetterCount + static_cast<int>(std::size(kOptions))) {
        return &kOptions[code - kLetterCount];
    }
    for (const Option& option : kOptions) {
        if (option.letter != 0 && option.letter == code) {
            return &option;
        }
    }
    return nullptr;
}

// The rules between options, once all are read: those of the run, and the
// view's and the broker's options only with the view and the broker.
std::string CheckRun(const HeadlessOptions& options, bool viewDetails, bool brokerDetails) {
    if (std::string error = CheckCombination(options); !error.empty()) {
        return error;
    }
    if (viewDetails && !options.serveHttp) {
        return "the --http-... options belong to --http";
    }
    if (brokerDetails && !options.publishMqtt) {
        return "the --mqtt-... options belong to --mqtt";
    }
    return "";
}

} // namespace

ParseResult ParseHeadlessOptions(const std::vector<std::string>& arguments) {
    ParseResult result;
    HeadlessOptions& options = result.options;
    // getopt_long wants a program name first and words it may write to.
    std::vector<std::string> words{"zelnor2"};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);
    const int argc = static_cast<int>(words.size());
    static const std::vector<::option> longOptions = LongOptions();
    static const std::string shortOptions = ShortOptions();
    // getopt_long keeps its place in globals; one parse at a time, from the
    // start (optind 0 makes it forget an earlier parse).
    static std::mutex parsing;
    std::lock_guard guard(parsing);
    ::opterr = 0;
    ::optind = 0;
    bool viewDetails = false;
    bool brokerDetails = false;
    for (;;) {
        const int at = std::max(::optind, 1);
        const int code =
            ::getopt_long(argc, argv.data(), shortOptions.c_str(), longOptions.data(), nullptr);
        if (code == -1) {
            // A word that is no option, or "--", which getopt_long would take
            // as the end of the options.
            if (at < argc) {
                result.error = "unknown option " + words[static_cast<std::size_t>(at)];
            }
            break;
        }
        const std::string& word = words[static_cast<std::size_t>(at)];
        // Only the exact name is taken: no abbreviation, no "=value", no
        // letters run together.
        const Option* option = Named(word);
        if (option == nullptr || (code != ':' && option != Returned(code))) {
            result.error = "unknown option " + word;
            break;
        }
        if (code == ':') {
            result.error = word + " needs a value";
            break;
        }
        if (option->role == Role::Ends) {
            options.command = option->command;
            if (option->command == Command::MapPort) {
                TakeMapPort({words.begin() + ::optind, words.end()}, result);
            }
            return result;
        }
        if (option->role == Role::Picks && options.command == Command::Run) {
            result.error = "give only one of --capture and --live";
            break;
        }
        const std::string value = ::optarg != nullptr ? ::optarg : "";
        std::string why;
        if (!option->take(options, value, why)) {
            result.error = why.empty() ? "bad value for " + word + ": '" + value + "'" : why;
            break;
        }
        viewDetails = viewDetails || option->role == Role::ByView;
        brokerDetails = brokerDetails || option->role == Role::ByBroker;
    }
    if (result.error.empty() && options.command == Command::Run) {
        result.error = CheckRun(options, viewDetails, brokerDetails);
    }
    return result;
}

std::string OptionList() {
    std::string list;
    const std::string column(kHelpColumn, ' ');
    for (const Option& option : kOptions) {
        std::string head = "  ";
        if (option.letter != 0) {
            head += std::string{'-', option.letter} + ", ";
        }
        head += option.name;
        if (option.value != nullptr) {
            head += std::string(" ") + option.value;
        }
        head += head.size() + 2 > kHelpColumn ? std::string(2, ' ')
                                              : std::string(kHelpColumn - head.size(), ' ');
        std::string_view help = option.help;
        list += head;
        for (std::size_t start = 0; start < help.size();) {
            const std::size_t end = std::min(help.find('\n', start), help.size());
            if (start != 0) {
                list += column;
            }
            list.append(help.substr(start, end - start));
            list += '\n';
            start = end + 1;
        }
    }
    return list;
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
           "Without options the program opens its window.\n" +
           OptionList() +
           "Each good picture is named on standard output; progress, warnings and, at the\n"
           "end, a summary line go to standard error. Stops also on Ctrl+C or SIGTERM.\n"
           "Exit status: 0 done (also when the free-space limit was reached), 1 failed\n"
           "(e.g. the pictures' folder cannot be written, the --http address cannot be\n"
           "used), 2 port unusable or line lost with --no-reconnect, 64 bad command line\n"
           "(also a users, certificate or password file that cannot be used).\n";
}

} // namespace headless
