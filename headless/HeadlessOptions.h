#pragma once

#include "mqtt/MqttOptions.h"
#include "transfer/RunKind.h"
#include "web/WebOptions.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace headless {

// What the command line asks for: the window, a run of pictures, or one of
// the commands that end the command line.
enum class Command { Dialog, Run, Help, Version, ListPorts, MapPort };

// The browser view of a run: where it listens and its limits from the
// command line, and the files it reads at the start.
struct HttpOptions {
    web::WebOptions view;
    std::string usersFile;       // --http-users: an htpasswd file
    std::string certificateFile; // --http-cert and --http-key: HTTPS
    std::string keyFile;
};

// The broker a run publishes to: its address, names and access from the
// command line; the password file is read at the start.
struct BrokerOptions {
    mqtt::MqttOptions client;
    std::string passwordFile; // --mqtt-password-file
    bool discovery = true;    // off with --mqtt-no-discovery
};

// What the command line asks for when the program runs without a window.
struct HeadlessOptions {
    Command command = Command::Dialog;
    transfer::RunKind kind = transfer::RunKind::Capture; // of a run: Capture or Live
    std::string path; // capture template, the live picture file, or the device to map
    std::int32_t port = 0;
    std::string device; // a device path used instead of a COM port
    std::int32_t speed = 0;
    std::optional<std::uint64_t> count;
    std::optional<double> seconds;
    bool deleteCorrupted = false;
    bool reconnect = true; // open a lost line again until it returns
    bool quiet = false;    // no progress lines, only warnings and the summary
    std::optional<std::uint32_t> freeSpaceLimit;
    std::optional<std::uint32_t> keepDays; // --keep-days: older pictures are deleted
    std::optional<std::uint64_t> keepSize; // --keep-size: bytes the pictures may take
    bool serveHttp = false;                // --http: the browser view
    HttpOptions http;
    std::string name;         // --name: the camera's name among several
    bool publishMqtt = false; // --mqtt: to a broker
    BrokerOptions mqtt;
};

struct ParseResult {
    HeadlessOptions options;
    std::string error; // empty when the command line is good
};

// Exit statuses of the headless program.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitPortUnusable = 2;
inline constexpr int kExitUsage = 64;

// Why a run cannot start: the words the program ends with, and its status.
struct Refusal {
    int status = kExitFailure;
    std::string words;
};

// Reads the options (without the program name). A command line without any
// headless option gives Command::Dialog and leaves the arguments to the dialog.
ParseResult ParseHeadlessOptions(const std::vector<std::string>& arguments);

// Whether the arguments ask for the program without a window at all.
bool WantsHeadless(const std::vector<std::string>& arguments);

// A size as --keep-size takes it: a whole number of bytes, or of KiB, MiB,
// GiB or TiB with the letter K, M, G or T behind it (500M, 20G).
std::optional<std::uint64_t> ParseSize(const std::string& text);

// Whether option is one of those followed by a value (--capture PATH, ...).
bool TakesValue(const std::string& option);

// --help: how the program is called, and every option it takes with what it
// does, from the table the command line is read by.
std::string UsageText(const std::string& programName);
std::string OptionList();

} // namespace headless
