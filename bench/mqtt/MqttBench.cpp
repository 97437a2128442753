// Zelnor2 without its window, continuous capture publishing to a mosquitto
// of the bench's own on the loopback, the camera simulator on a bare
// pseudo-terminal.
//
// Latency: pictures with blocks and acknowledgements, one at a time with a
// pause between them; for each, the time from the camera's reading of the
// last acknowledgement to the subscriber's having the picture's last byte
// (libmosquitto hands a message over whole). Prints median, p99 and maximum.
//
// Speed: an unpaced camera streaming pictures, the program ending after
// them (--count); megabytes a second from the first picture to the last
// one stored, the time the program then takes to end, and the bytes lost on
// disk, without a broker, with a broker
// and a subscriber that reads, and with a broker that hangs (SIGSTOP: it
// reads nothing from the program any more).
//
// usage: bench_mqtt [LATENCY-PICTURES [RUNS [PICTURES [SIZE]]]]
//        defaults 200 pictures of 30000 bytes for the latency; 5 runs of 40
//        streamed pictures of 118 KiB for the speed
#include "tests/e2e/BrowserView.h"
#include "tests/e2e/MqttBroker.h"
#include "tests/e2e/MqttSubscriber.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/LinkedPort.h"
#include "tests/support/PatternBytes.h"
#include "tests/support/ServiceManagerSocket.h"
#include "tests/support/TempDir.h"
#include "tools/camsim/Camera.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

const std::string kPicture = "zelnor2/bench/picture";

std::string LoadAverage() {
    std::ifstream in("/proc/loadavg");
    std::string one, five, fifteen;
    in >> one >> five >> fifteen;
    return one + " " + five + " " + fifteen;
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string Shot(const testsupport::TempDir& folder, int number) {
    char name[32];
    std::snprintf(name, sizeof name, "shot%08d.jpg", number);
    return folder / name;
}

double Percentile(std::vector<double> values, double share) {
    std::sort(values.begin(), values.end());
    const auto at = static_cast<std::size_t>(share * static_cast<double>(values.size() - 1));
    return values[at];
}

// The program capturing into a folder of its own, publishing to url.
struct Program {
    Program(const std::string& url, int count) {
        std::vector<std::string> args{
            "/usr/bin/env",      "-C",     folder.Path(), ZELNOR2_PROGRAM, "--capture",
            folder / "shot.jpg", "--port", "1",           "--speed",       "115200",
            "--quiet",           "--name", "bench"};
        if (count > 0) {
            args.insert(args.end(), {"--count", std::to_string(count)});
        }
        if (!url.empty()) {
            args.insert(args.end(), {"--mqtt", url});
        }
        process = std::make_unique<testsupport::ChildProcess>(args);
    }
    bool Ready() { return manager.WaitFor(process->Pid(), "READY=1", 20s); }

    testsupport::ServiceManagerSocket manager;
    testsupport::LinkedPort line{1};
    testsupport::TempDir folder;
    std::unique_ptr<testsupport::ChildProcess> process;
};

void Latency(int pictures) {
    e2e::MqttBroker broker;
    e2e::MqttSubscriber subscriber(broker.Port());
    if (!subscriber.Subscribed()) {
        std::fprintf(stderr, "no subscription\n");
        return;
    }
    Program program(broker.Url(), 0);
    if (!program.Ready() || !subscriber.WaitFor("zelnor2/bench/availability")) {
        std::fprintf(stderr, "the program did not start: %s\n", program.process->Errors().c_str());
        return;
    }
    camsim::CameraOptions options;
    options.bitsPerSecond = 0;
    camsim::Camera camera(program.line.Master(), options);
    std::vector<double> latencies;
    int missing = 0;
    for (int i = 0; i < pictures; ++i) {
        camsim::OutgoingPicture picture;
        picture.data = testsupport::PatternBytes(30000, 900 + i);
        const std::string expected(picture.data.begin(), picture.data.end());
        camera.Send(picture);
        const auto acknowledged = Clock::now();
        const auto got = subscriber.WaitFor(
            kPicture, [&](const e2e::MqttMessage& message) { return message.payload == expected; },
            10s);
        if (!got) {
            ++missing;
            continue;
        }
        latencies.push_back(
            std::chrono::duration<double, std::milli>(got->arrived - acknowledged).count());
        camera.Pause(20ms);
    }
    if (latencies.empty()) {
        std::printf("latency: no picture reached the subscriber\n");
        return;
    }
    std::printf("latency, last acknowledgement to the subscriber's last byte, %zu pictures of "
                "30000 bytes (%d missing):\n  median %.2f ms, p99 %.2f ms, max %.2f ms\n",
                latencies.size(), missing, Percentile(latencies, 0.5), Percentile(latencies, 0.99),
                Percentile(latencies, 1.0));
}

enum class Broker { None, Reading, Hanging };

struct Figures {
    double megabytesPerSecond = 0;
    double stopSeconds = 0; // from the last picture stored to the program's end
    std::uint64_t bytesLost = 0;
    int status = -1;
};

Figures Speed(Broker kind, int pictures, std::size_t size) {
    std::unique_ptr<e2e::MqttBroker> broker;
    std::unique_ptr<e2e::MqttSubscriber> subscriber;
    if (kind != Broker::None) {
        broker = std::make_unique<e2e::MqttBroker>();
        subscriber = std::make_unique<e2e::MqttSubscriber>(broker->Port());
        subscriber->Subscribed();
    }
    Program program(broker ? broker->Url() : "", pictures);
    Figures figures;
    if (!program.Ready()) {
        return figures;
    }
    if (subscriber && !subscriber->WaitFor("zelnor2/bench/availability")) {
        return figures;
    }
    if (kind == Broker::Hanging) {
        broker->Freeze();
    }
    camsim::OutgoingPicture picture;
    picture.data = testsupport::PatternBytes(size, 7);
    picture.blockSize = 0;
    picture.checkFlag = 0;
    picture.ackFlag = 0;
    camsim::CameraOptions options;
    options.bitsPerSecond = 0;
    camsim::Camera camera(program.line.Master(), options);
    const auto start = Clock::now();
    for (int i = 0; i < pictures; ++i) {
        camera.Send(picture);
    }
    program.process->WaitForOutput(Shot(program.folder, pictures - 1), 120s);
    const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    figures.status = program.process->Wait(120s);
    figures.stopSeconds = std::chrono::duration<double>(Clock::now() - start).count() - elapsed;
    figures.megabytesPerSecond = static_cast<double>(size) * pictures / 1e6 / elapsed;
    const std::string sent(picture.data.begin(), picture.data.end());
    for (int i = 0; i < pictures; ++i) {
        const std::string stored = ReadAll(Shot(program.folder, i));
        figures.bytesLost += stored == sent ? 0 : std::max(sent.size(), stored.size());
    }
    return figures;
}

} // namespace

int main(int argc, char** argv) {
    const int latencyPictures = argc > 1 ? std::atoi(argv[1]) : 200;
    const int runs = argc > 2 ? std::atoi(argv[2]) : 5;
    const int pictures = argc > 3 ? std::atoi(argv[3]) : 40;
    const std::size_t size = argc > 4 ? std::strtoul(argv[4], nullptr, 10) : 118 * 1024;
    std::printf("load average before: %s\n", LoadAverage().c_str());
    Latency(latencyPictures);

    std::printf("speed, %d runs of %d streamed pictures of %zu bytes, unpaced on a bare pty:\n",
                runs, pictures, size);
    std::printf("%-28s %11s %14s %10s %8s\n", "", "median MB/s", "then ending s", "lost", "status");
    // The configurations take turns, so that a change of the machine's load
    // falls on all of them alike.
    const std::pair<Broker, const char*> kinds[] = {{Broker::None, "no broker"},
                                                    {Broker::Reading, "broker, subscriber reading"},
                                                    {Broker::Hanging, "broker hanging (SIGSTOP)"}};
    std::vector<double> rates[3], stops[3];
    std::uint64_t lost[3] = {};
    int status[3] = {};
    for (int run = 0; run < runs; ++run) {
        for (int k = 0; k < 3; ++k) {
            const Figures figures = Speed(kinds[k].first, pictures, size);
            rates[k].push_back(figures.megabytesPerSecond);
            stops[k].push_back(figures.stopSeconds);
            lost[k] += figures.bytesLost;
            status[k] = std::max(status[k], figures.status);
        }
    }
    std::uint64_t lostAll = 0;
    for (int k = 0; k < 3; ++k) {
        std::printf("%-28s %11.2f %14.2f %10llu %8d\n", kinds[k].second, Percentile(rates[k], 0.5),
                    Percentile(stops[k], 0.5), static_cast<unsigned long long>(lost[k]), status[k]);
        lostAll += lost[k];
    }
    std::printf("load average after: %s\n", LoadAverage().c_str());
    return lostAll == 0 ? 0 : 1;
}
