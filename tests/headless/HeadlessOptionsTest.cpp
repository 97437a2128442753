#include "headless/HeadlessOptions.h"
#include "headless/Journal.h"
#include "headless/RunSummary.h"
#include "headless/StatusReporter.h"
#include "mqtt/BrokerAddress.h"

#include <cctype>
#include <cstdio>
#include <gtest/gtest.h>
#include <span>
#include <sstream>

using headless::Command;
using headless::ParseHeadlessOptions;
using headless::WantsHeadless;
using transfer::RunKind;

namespace {
std::vector<std::string> Args(std::initializer_list<const char*> list) {
    return std::vector<std::string>(list.begin(), list.end());
}

// A good command line with more arguments after it.
headless::ParseResult ParseWith(const std::vector<std::string>& base,
                                std::initializer_list<const char*> more) {
    std::vector<std::string> args = base;
    args.insert(args.end(), more.begin(), more.end());
    return ParseHeadlessOptions(args);
}

// Arguments that spoil a good command line, and how the error they give
// begins.
struct Refused {
    std::initializer_list<const char*> more;
    std::string error;
};

void ExpectRefused(const std::vector<std::string>& base, std::span<const Refused> rows) {
    for (const Refused& row : rows) {
        SCOPED_TRACE(*(row.more.end() - 1));
        const std::string error = ParseWith(base, row.more).error;
        EXPECT_EQ(error.rfind(row.error, 0), 0u) << error;
    }
}
} // namespace

TEST(HeadlessOptions, CaptureWithEveryOption) {
    const auto result = ParseHeadlessOptions(
        Args({"--capture", "/pics/shot.jpg", "--port", "3", "--speed", "115200", "--count", "5",
              "--seconds", "2.5", "--delete-corrupted", "--free-space-limit", "4294967295"}));
    ASSERT_EQ(result.error, "");
    EXPECT_EQ(result.options.command, Command::Run);
    EXPECT_EQ(result.options.kind, RunKind::Capture);
    EXPECT_EQ(result.options.path, "/pics/shot.jpg");
    EXPECT_EQ(result.options.port, 3);
    EXPECT_EQ(result.options.speed, 115200);
    EXPECT_EQ(result.options.count, 5u);
    EXPECT_DOUBLE_EQ(*result.options.seconds, 2.5);
    EXPECT_TRUE(result.options.deleteCorrupted);
    EXPECT_EQ(result.options.freeSpaceLimit, 4294967295u);
}

TEST(HeadlessOptions, RetentionTakesDaysAndSizesWithTheirUnits) {
    const struct {
        const char* size;
        std::uint64_t bytes;
    } sizes[] = {{"1", 1},
                 {"4096", 4096},
                 {"8K", 8192},
                 {"500M", 500ull << 20},
                 {"20G", 20ull << 30},
                 {"3T", 3ull << 40}};
    for (const auto& [size, bytes] : sizes) {
        SCOPED_TRACE(size);
        const auto result =
            ParseHeadlessOptions(Args({"--capture", "/pics/shot.jpg", "--port", "1", "--speed",
                                       "9600", "--keep-days", "30", "--keep-size", size}));
        ASSERT_EQ(result.error, "");
        EXPECT_EQ(result.options.keepDays, 30u);
        EXPECT_EQ(result.options.keepSize, bytes);
    }
    for (const char* bad : {"", "0", "M", "5MB", "5KM", "5m", "-5G", "1.5G", "16777216T"}) {
        SCOPED_TRACE(bad);
        EXPECT_NE(ParseHeadlessOptions(Args({"--capture", "x", "--port", "1", "--speed", "9600",
                                             "--keep-size", bad}))
                      .error,
                  "");
    }
    for (const char* bad : {"0", "-1", "1.5", "36501"}) {
        SCOPED_TRACE(bad);
        EXPECT_NE(ParseHeadlessOptions(Args({"--capture", "x", "--port", "1", "--speed", "9600",
                                             "--keep-days", bad}))
                      .error,
                  "");
    }
    EXPECT_EQ(ParseHeadlessOptions(
                  Args({"--live", "y", "--port", "1", "--speed", "9600", "--keep-days", "2"}))
                  .error,
              "--keep-days and --keep-size belong to --capture");
}

TEST(HeadlessOptions, LiveNeedsPortAndSpeedOnly) {
    const auto result =
        ParseHeadlessOptions(Args({"--live", "now.jpg", "--speed", "9600", "--port", "1"}));
    ASSERT_EQ(result.error, "");
    EXPECT_EQ(result.options.command, Command::Run);
    EXPECT_EQ(result.options.kind, RunKind::Live);
    EXPECT_FALSE(result.options.count.has_value());
    EXPECT_FALSE(result.options.freeSpaceLimit.has_value());
}

TEST(HeadlessOptions, MalformedCommandLinesAreRefused) {
    for (const auto& args :
         {Args({"--capture", "x", "--port", "1"}),
          Args({"--capture", "x", "--speed", "9600"}),
          Args({"--capture", "x", "--port", "0", "--speed", "9600"}),
          Args({"--capture", "x", "--port", "10", "--speed", "9600"}),
          Args({"--capture", "x", "--port", "1x", "--speed", "9600"}),
          Args({"--capture", "x", "--port", "1", "--speed", "-1"}),
          Args({"--capture", "x", "--port", "1", "--speed", "9600", "--count", "0"}),
          Args({"--capture", "x", "--port", "1", "--speed", "9600", "--seconds", "soon"}),
          Args({"--capture", "x", "--port", "1", "--speed", "9600", "--free-space-limit",
                "4294967296"}),
          Args({"--capture", "x", "--live", "y", "--port", "1", "--speed", "9600"}),
          Args({"--live", "y", "--port", "1", "--speed", "9600", "--delete-corrupted"}),
          Args({"--capture", "x", "--port", "1", "--speed", "9600", "--bogus"}),
          Args({"--capture"}),
          Args({"--capture", "", "--port", "1", "--speed", "9600"}),
          Args({"--map-port", "x", "/dev/ttyUSB0"}),
          Args({"--map-port", "2", "/dev/ttyUSB0", "x"}),
          Args({"--map-port", "2", ""}),
          Args({"--capture", "x", "--port", "1", "--device", "/dev/ttyUSB0", "--speed", "9600"}),
          Args({"--capture", "x", "--device", "", "--speed", "9600"}),
          Args({"--capture", "x", "--port", "1", "--speed", "9600", "--bogus", "1"})}) {
        EXPECT_NE(ParseHeadlessOptions(args).error, "") << args.size() << " " << args.back();
    }
}

TEST(HeadlessOptions, ADevicePathStandsInForThePort) {
    const auto result = ParseHeadlessOptions(
        Args({"--capture", "/data/shot.jpg", "--device", "/dev/serial/by-id/usb-cam", "--speed",
              "115200", "--quiet", "--no-reconnect"}));
    ASSERT_EQ(result.error, "");
    EXPECT_EQ(result.options.device, "/dev/serial/by-id/usb-cam");
    EXPECT_EQ(result.options.port, 0);
    EXPECT_TRUE(result.options.quiet);
    EXPECT_FALSE(result.options.reconnect);
    EXPECT_TRUE(headless::TakesValue("--device")) << "the dialog skips its value too";
}

// The browser view's options: where it listens and its limits; its files
// are only named here and read when the run starts.
TEST(HeadlessOptions, TheBrowserViewTakesAnAddressAndItsLimits) {
    const auto base = Args({"--live", "now.jpg", "--port", "1", "--speed", "9600"});
    const auto plain = ParseWith(base, {"--http", "8080"});
    ASSERT_EQ(plain.error, "");
    EXPECT_TRUE(plain.options.serveHttp);
    EXPECT_EQ(plain.options.http.view.listen.host, "127.0.0.1") << "loopback unless told";
    EXPECT_EQ(plain.options.http.view.listen.port, 8080);
    EXPECT_FALSE(ParseHeadlessOptions(base).options.serveHttp);

    const auto full = ParseWith(
        base, {"--http-users", "/etc/zelnor2/users", "--http", "[::]:8443", "--http-cert", "c.pem",
               "--http-key", "k.pem", "--http-max-connections", "17", "--http-max-per-address", "4",
               "--http-idle-timeout", "5", "--http-max-request", "65536", "--http-max-rate", "0"});
    ASSERT_EQ(full.error, "");
    const headless::HttpOptions& http = full.options.http;
    EXPECT_TRUE(http.view.listen.ipv6);
    EXPECT_EQ(http.view.listen.port, 8443);
    EXPECT_EQ(http.usersFile, "/etc/zelnor2/users");
    EXPECT_EQ(http.certificateFile, "c.pem");
    EXPECT_EQ(http.keyFile, "k.pem");
    EXPECT_EQ(http.view.maxConnections, 17u);
    EXPECT_EQ(http.view.maxConnectionsPerAddress, 4u);
    EXPECT_EQ(http.view.idleTimeoutSeconds, 5u);
    EXPECT_EQ(http.view.requestMemoryBytes, 65536u);
    EXPECT_EQ(http.view.maxPicturesPerSecond, 0u) << "every picture";

    const Refused refused[] = {
        {{"--http", "localhost:8080"}, "--http localhost:8080: "},
        {{"--http", "99999"}, "--http 99999: "},
        {{"--http-users", "users"}, "the --http-... options belong to --http"},
        {{"--http-idle-timeout", "5"}, "the --http-... options belong to --http"},
        {{"--http", "8080", "--http-cert", "c.pem"}, "--http-cert and --http-key go together"},
        {{"--http", "8080", "--http-max-connections", "0"}, "bad value for"},
    };
    ExpectRefused(base, refused);
}

TEST(HeadlessOptions, TheBrowserViewTakesHostNamesAndARequestDeadline) {
    const auto base = Args({"--live", "now.jpg", "--port", "1", "--speed", "9600", "--http", "80"});
    const auto plain = ParseHeadlessOptions(base);
    EXPECT_TRUE(plain.options.http.view.hostNames.empty());
    EXPECT_EQ(plain.options.http.view.requestDeadlineSeconds, 10u);
    EXPECT_EQ(plain.options.http.view.maxConnectionsPerAddress, 16u);

    const auto given =
        ParseWith(base, {"--http-host", "Camera.Example.org", "--http-request-deadline", "3",
                         "--http-host", "192.168.1.5"});
    ASSERT_EQ(given.error, "");
    EXPECT_EQ(given.options.http.view.hostNames,
              (std::vector<std::string>{"camera.example.org", "192.168.1.5"}));
    EXPECT_EQ(given.options.http.view.requestDeadlineSeconds, 3u);

    for (const char* name : {"camera.example.org:80", "", "[::1]", "a b"}) {
        SCOPED_TRACE(name);
        const std::string error = ParseWith(base, {"--http-host", name}).error;
        EXPECT_EQ(error.rfind("--http-host " + std::string(name) + ": ", 0), 0u) << error;
    }
    EXPECT_EQ(ParseWith(base, {"--http-request-deadline", "0"}).error.rfind("bad value for", 0),
              0u);
}

TEST(HeadlessOptions, HelpAndVersionWinAndNoOptionsMeansTheDialog) {
    EXPECT_EQ(ParseHeadlessOptions(Args({"--port", "1", "--help"})).options.command, Command::Help);
    EXPECT_EQ(ParseHeadlessOptions(Args({"--version"})).options.command, Command::Version);
    EXPECT_EQ(ParseHeadlessOptions({}).options.command, Command::Dialog);
    EXPECT_TRUE(WantsHeadless(Args({"--live", "x"})));
    EXPECT_TRUE(WantsHeadless(Args({"-Embedding", "--version"})));
    EXPECT_FALSE(WantsHeadless(Args({"/Automation"})));
}

// --help lists every option the parser takes, and only those: both come from
// one table. Each option in the list is known to the parser, with its value
// where it takes one.
TEST(HeadlessOptions, HelpListsEveryOptionTheParserTakes) {
    const std::string list = headless::OptionList();
    EXPECT_NE(headless::UsageText("Zelnor2").find(list), std::string::npos);
    std::istringstream lines(list);
    std::string line;
    std::size_t options = 0;
    while (std::getline(lines, line)) {
        EXPECT_LE(line.size(), 80u) << line;
        if (!line.starts_with("  -")) {
            continue; // the words of the option above
        }
        SCOPED_TRACE(line);
        ++options;
        // "  -q, --quiet", "  --capture PATH", "  --map-port N DEVICE"
        std::istringstream words(line);
        std::string name;
        words >> name;
        if (name.ends_with(",")) {
            const std::string letter = name.substr(0, name.size() - 1);
            words >> name;
            EXPECT_EQ(ParseHeadlessOptions(Args({letter.c_str()})).options.command,
                      ParseHeadlessOptions(Args({name.c_str()})).options.command);
        }
        std::string value;
        words >> value;
        const bool takesValue =
            !value.empty() && (value.front() == '[' || std::isupper(value.front()));
        const auto alone = ParseHeadlessOptions(Args({name.c_str()}));
        EXPECT_FALSE(alone.error.starts_with("unknown option")) << alone.error;
        if (takesValue && name != "--map-port") {
            EXPECT_EQ(alone.error, name + " needs a value");
            EXPECT_TRUE(headless::TakesValue(name));
        } else {
            EXPECT_FALSE(headless::TakesValue(name));
        }
    }
    EXPECT_GE(options, 35u);
}

// Only an option's exact name is taken, as it always was: no abbreviation,
// no value after '=', no letters run together.
TEST(HeadlessOptions, OnlyExactNamesAreTaken) {
    for (const char* word : {"--cap", "--capture=x", "-qh", "--", "-", "x"}) {
        SCOPED_TRACE(word);
        EXPECT_EQ(ParseHeadlessOptions(Args({word, "--port", "1"})).error,
                  std::string("unknown option ") + word);
    }
    EXPECT_EQ(
        ParseHeadlessOptions(Args({"--live", "y", "--port", "1", "--speed", "9600", "-q"})).error,
        "");
}

TEST(StatusReporter, BarFollowsTheBytesOfThePicture) {
    using headless::StatusReporter;
    EXPECT_EQ(StatusReporter::ProgressBar(50, 100, 10), "[#####     ]");
    EXPECT_EQ(StatusReporter::ProgressBar(100, 100, 4), "[####]");
    EXPECT_EQ(StatusReporter::ProgressBar(4000000000u, 4294967295u, 4), "[### ]");
    EXPECT_EQ(StatusReporter::ProgressBar(0, 0, 4), "") << "no picture in transfer";
}

TEST(StatusReporter, OffATerminalOneLinePerStateAndNoneForProgressWithinAPicture) {
    char* text = nullptr;
    std::size_t size = 0;
    std::FILE* stream = open_memstream(&text, &size);
    ASSERT_NE(stream, nullptr);
    {
        headless::StatusReporter reporter(stream, false);
        reporter.Show("Waiting for valid header...", 0, 0);
        reporter.Show("Waiting for valid header...", 0, 0);
        reporter.Show("Pic 1x1, 0 of 300 bytes read", 0, 300);
        reporter.Show("Pic 1x1, 100 of 300 bytes read", 100, 300);
        reporter.PictureFailed(1, "cut short");
        reporter.Show("Waiting for valid header...", 0, 0);
        reporter.Notice("the line is lost");
        reporter.Show("Waiting for valid header...", 0, 0);
        reporter.Finish();
    }
    std::fclose(stream);
    EXPECT_EQ(std::string(text, size), "Waiting for valid header...\n"
                                       "a picture transfer failed (1 so far): cut short\n"
                                       "the line is lost\nWaiting for valid header...\n")
        << "after a notice the state is told again";
    std::free(text);
}

TEST(RunSummary, CountsBytesTimeAndTheShareOfTheLineThatCarriedPictures) {
    headless::RunFigures figures;
    figures.totals.goodPictures = 12;
    figures.totals.failedPictures = 1;
    figures.totals.goodPictureBytes = 1449984;
    figures.elapsedSeconds = 63.24;
    figures.totals.payloadBytes = 9216; // 9216 bytes at 921600 bit/s take 0.1 s
    figures.totals.transferTime = std::chrono::milliseconds(125);
    figures.speed = 921600;
    EXPECT_EQ(headless::SummaryLine(figures),
              "pictures: 12 good, 1 failed; 1449984 bytes in 63.2 s; line efficiency 80.0 %");

    figures.totals.transferTime = std::chrono::milliseconds(20); // a line that ignores its speed
    EXPECT_EQ(headless::SummaryLine(figures), "pictures: 12 good, 1 failed; 1449984 bytes in "
                                              "63.2 s; faster than 921600 bit/s: 460800 bytes/s");

    figures.totals.transferTime = {}; // no transfer began
    EXPECT_EQ(headless::SummaryLine(figures),
              "pictures: 12 good, 1 failed; 1449984 bytes in 63.2 s; line efficiency -");
}

// Off a terminal each change is one line, told once: the lost line is not
// told a second time as a state, and --quiet keeps only the line's changes.
TEST(Journal, TellsEachChangeOnceAndQuietKeepsTheLine) {
    const std::vector<transfer::RunEvent> run = {
        transfer::WaitingForHeader{},
        transfer::Progress{8, 8, 0, 64},
        transfer::PictureFailed{0, transfer::FailureCause::CutShort, "", {}},
        transfer::WaitingForHeader{},
        transfer::LineLost{"COM1 (/dev/pts/5): the device hung up", true},
        transfer::LineStillLost{"COM1 (/dev/pts/5): No such file or directory"},
        transfer::LineBack{"COM1 (/dev/pts/6)"},
        transfer::WaitingForHeader{},
        transfer::Ended{transfer::EndCause::Stopped, ""},
    };
    const auto told = [&run](bool quiet) {
        char* text = nullptr;
        std::size_t size = 0;
        std::FILE* stream = open_memstream(&text, &size);
        headless::HeadlessOptions options;
        options.quiet = quiet;
        {
            headless::StatusReporter reporter(stream, false);
            headless::Journal journal(reporter, options, "Zelnor2");
            for (const auto& event : run) {
                journal.OnRunEvent(event);
            }
            reporter.Finish();
        }
        std::fclose(stream);
        std::string result(text, size);
        std::free(text);
        return result;
    };
    EXPECT_EQ(told(false),
              "Waiting for valid header...\n"
              "a picture transfer failed (1 so far): the camera stopped sending\n"
              "Zelnor2: the line is lost: COM1 (/dev/pts/5): the device hung up; opening it "
              "again every 0.5 s\n"
              "Zelnor2: the port does not open yet: COM1 (/dev/pts/5): No such file or "
              "directory\n"
              "Zelnor2: the line is back: COM1 (/dev/pts/6)\n"
              "Waiting for valid header...\n");
    EXPECT_EQ(told(true), "Zelnor2: the line is lost: COM1 (/dev/pts/5): the device hung up; "
                          "opening it again every 0.5 s\n"
                          "Zelnor2: the line is back: COM1 (/dev/pts/6)\n");
}

TEST(HeadlessOptions, TheBrokerTakesAUrlANameAndItsAccess) {
    const auto base = Args({"--capture", "shot.jpg", "--port", "1", "--speed", "9600"});
    const struct {
        const char* url;
        const char* host;
        std::uint16_t port;
        bool tls;
    } urls[] = {
        {"mqtt://broker.lan", "broker.lan", 1883, false},
        {"mqtts://broker.lan", "broker.lan", 8883, true},
        {"mqtt://127.0.0.1:1884", "127.0.0.1", 1884, false},
        {"mqtts://[::1]:9883", "::1", 9883, true},
    };
    for (const auto& row : urls) {
        SCOPED_TRACE(row.url);
        const auto parsed = ParseWith(base, {"--mqtt", row.url});
        ASSERT_EQ(parsed.error, "");
        EXPECT_TRUE(parsed.options.publishMqtt);
        const mqtt::BrokerAddress& broker = parsed.options.mqtt.client.broker;
        EXPECT_EQ(broker.host, row.host);
        EXPECT_EQ(broker.port, row.port);
        EXPECT_EQ(broker.tls, row.tls);
    }
    EXPECT_FALSE(ParseHeadlessOptions(base).options.publishMqtt);

    const auto full =
        ParseWith(base, {"--name", "door", "--mqtt", "mqtts://broker.lan", "--mqtt-ca", "ca.pem",
                         "--mqtt-cert", "c.pem", "--mqtt-key", "k.pem", "--mqtt-user", "door",
                         "--mqtt-password-file", "/etc/zelnor2/door.mqtt", "--mqtt-topic",
                         "site/door", "--mqtt-no-discovery", "--mqtt-discovery-prefix", "ha"});
    ASSERT_EQ(full.error, "");
    EXPECT_EQ(full.options.name, "door");
    const headless::BrokerOptions& mqtt = full.options.mqtt;
    EXPECT_EQ(mqtt.client.caFile, "ca.pem");
    EXPECT_EQ(mqtt.client.certFile, "c.pem");
    EXPECT_EQ(mqtt.client.keyFile, "k.pem");
    EXPECT_EQ(mqtt.client.user, "door");
    EXPECT_EQ(mqtt.passwordFile, "/etc/zelnor2/door.mqtt");
    EXPECT_EQ(mqtt.client.topicPrefix, "site/door");
    EXPECT_FALSE(mqtt.discovery);
    EXPECT_EQ(mqtt.client.discoveryPrefix, "ha");

    const Refused refused[] = {
        {{"--mqtt", "http://broker.lan"}, "bad --mqtt URL 'http://broker.lan'"},
        {{"--mqtt", "mqtt://"}, "bad --mqtt URL"},
        {{"--mqtt", "mqtt://user:pw@broker.lan"}, "bad --mqtt URL"},
        {{"--mqtt", "mqtt://broker.lan:0"}, "bad --mqtt URL"},
        {{"--mqtt", "mqtt://broker.lan/topic"}, "bad --mqtt URL"},
        {{"--mqtt", "mqtts://[::1"}, "bad --mqtt URL"},
        {{"--mqtt-user", "door"}, "the --mqtt-... options belong to --mqtt"},
        {{"--mqtt-no-discovery"}, "the --mqtt-... options belong to --mqtt"},
        {{"--mqtt", "mqtt://b", "--mqtt-ca", "ca.pem"}, "--mqtt-ca, --mqtt-cert and --mqtt-key"},
        {{"--mqtt", "mqtts://b", "--mqtt-cert", "c.pem"}, "--mqtt-cert and --mqtt-key go together"},
        {{"--mqtt", "mqtt://b", "--mqtt-password-file", "p"}, "--mqtt-password-file belongs to"},
        {{"--mqtt", "mqtt://b", "--mqtt-topic", "cams/#"}, "'cams/#' cannot stand in a topic"},
        {{"--mqtt", "mqtt://b", "--mqtt-topic", "cams/"}, "'cams/' cannot stand in a topic"},
        {{"--name", "door+yard"}, "'door+yard' cannot stand in a topic"},
        {{"--name", "site/door"}, "bad value for --name"},
    };
    ExpectRefused(base, refused);
}

// A fast camera sends progress before every block: the line on a terminal
// follows it at most twenty times a second, and the state after the burst
// is what stays shown.
TEST(Journal, ProgressOnATerminalIsHeldToTwentyLinesASecond) {
    char* text = nullptr;
    std::size_t size = 0;
    std::FILE* stream = open_memstream(&text, &size);
    ASSERT_NE(stream, nullptr);
    headless::Journal::Clock::time_point now{};
    constexpr int kEvents = 1000; // one a millisecond: a second of progress
    {
        headless::HeadlessOptions options;
        headless::StatusReporter reporter(stream, true);
        headless::Journal journal(reporter, options, "Zelnor2", [&now] { return now; });
        for (int i = 0; i < kEvents; ++i) {
            journal.OnRunEvent(
                transfer::Progress{8, 8, static_cast<std::uint32_t>(i) * 64, 64 * kEvents});
            now += std::chrono::milliseconds(1);
        }
        journal.OnRunEvent(transfer::WaitingForHeader{});
    }
    std::fclose(stream);
    const std::string shown(text, size);
    std::free(text);
    const auto drawn = std::count(shown.begin(), shown.end(), '\r');
    EXPECT_LE(drawn, 1 + 20 + 1) << "the start, twenty a second, and the state after";
    EXPECT_GE(drawn, 20);
    EXPECT_TRUE(shown.ends_with("\rWaiting for valid header...\033[K")) << shown;
}
