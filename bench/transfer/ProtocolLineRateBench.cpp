// How close the picture transfer comes to the line rate when the camera paces
// itself at the line speed: the camera simulator on the master of a
// pseudo-terminal, the real serial port and picture transfer on its slave.
// The time runs from the camera's first byte to the receiver's return with
// the picture complete; efficiency is the camera's bytes on the wire over
// what the line could have carried in that time. The camera's pacing releases
// bytes in slices of about a millisecond and the pseudo-terminal adds no line
// time of its own, so this measures the receiver's turnaround rather than a
// line; bench/line-rate measures against a simulated line.
//
//   bench_transfer_line_rate [runs (3)] [JPEG file (the ~100 KB test photograph)]
//                            [only this speed]
#include "platform/NoCopy.h"
#include "serial/SerialPort.h"
#include "tests/support/LinkedPort.h"
#include "tests/support/TempDir.h"
#include "tools/camsim/Camera.h"
#include "transfer/PictureTransfer.h"
#include "transfer/RunTally.h"
#include "transfer/WorkerContext.h"
#include "transfer/WorkerRun.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <future>
#include <iterator>
#include <pthread.h>
#include <sched.h>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Mode {
    const char* name;
    long speed;
    std::uint16_t blockSize;
    std::uint8_t checkFlag;
    std::uint16_t ackFlag;
    double targetPercent; // 0: no target
};

constexpr Mode kModes[] = {
    {"streaming, 100-byte blocks, no acks", 115200, 0, 0, 0, 99.0},
    {"256-byte blocks, checks and acks", 115200, 256, 1, 1, 97.0},
    {"streaming, 100-byte blocks, no acks", 921600, 0, 0, 0, 0},
    {"256-byte blocks, checks and acks", 921600, 256, 1, 1, 0},
};

struct Run {
    bool good = false;
    double seconds = 0;
    std::size_t wireBytes = 0;
    int resends = 0;
    bool realtimeCamera = false;
};

std::vector<std::uint8_t> ReadWholeFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(file), {});
}

// The camera plays hardware: while it sends, its thread runs under real-time
// scheduling where the system allows it, so that its pacing does not suffer
// from a busy machine; the receiver's threads, started before, stay as they
// are.
class RealtimeWhileAlive : private platform::NoCopy {
public:
    RealtimeWhileAlive() {
        sched_param priority{};
        priority.sched_priority = 10;
        granted = ::pthread_getschedparam(::pthread_self(), &oldPolicy, &oldPriority) == 0 &&
                  ::pthread_setschedparam(::pthread_self(), SCHED_FIFO, &priority) == 0;
    }
    ~RealtimeWhileAlive() {
        if (granted) {
            ::pthread_setschedparam(::pthread_self(), oldPolicy, &oldPriority);
        }
    }

    bool Granted() const { return granted; }

private:
    bool granted = false;
    int oldPolicy = SCHED_OTHER;
    sched_param oldPriority{};
};

Run RunOnce(const Mode& mode, const std::vector<std::uint8_t>& jpeg) {
    testsupport::LinkedPort line(1);
    testsupport::TempDir folder;
    const std::string received = folder / "received.jpg";
    SerialPort port;
    Run run;
    if (!port.Open(1, static_cast<std::int32_t>(mode.speed), "n,8,1")) {
        std::fprintf(stderr, "cannot open the port: %s\n", port.LastOpenError().c_str());
        return run;
    }
    WorkerContext context;
    transfer::RunTally tally;
    std::stop_source stop;
    const WorkerRun receiverRun{context, stop.get_token(), tally};
    camsim::OutgoingPicture picture;
    picture.data = jpeg;
    picture.blockSize = mode.blockSize;
    picture.checkFlag = mode.checkFlag;
    picture.ackFlag = mode.ackFlag;
    camsim::CameraOptions options;
    options.bitsPerSecond = mode.speed;
    camsim::Camera camera(line.Master(), options);

    // The receiver waits for the header first, as a capture worker does.
    std::promise<Clock::time_point> finished;
    std::future<Clock::time_point> finishedAt = finished.get_future();
    std::atomic<bool> complete{false};
    std::thread receiver([&] {
        complete = PictureTransfer(receiverRun, port, received).Stored();
        finished.set_value(Clock::now());
    });
    while (tally.Snapshot().state != transfer::RunState::Waiting) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }

    camsim::SendResult sent;
    const Clock::time_point start = Clock::now();
    {
        const RealtimeWhileAlive realtime;
        run.realtimeCamera = realtime.Granted();
        sent = camera.Send(picture);
    }
    // Bound the run: twice the line's time for the picture and two seconds.
    const auto limit = std::chrono::duration<double>(
        2.0 * static_cast<double>(jpeg.size()) * 10.0 / static_cast<double>(mode.speed) + 2.0);
    if (finishedAt.wait_until(start + std::chrono::duration_cast<Clock::duration>(limit)) !=
        std::future_status::ready) {
        stop.request_stop();
    }
    receiver.join();
    const Clock::time_point end = finishedAt.get();

    run.seconds = std::chrono::duration<double>(end - start).count();
    run.wireBytes = sent.bytesWritten;
    run.resends = sent.Resends();
    run.good =
        complete && sent.outcome == camsim::Outcome::Completed && ReadWholeFile(received) == jpeg;
    if (!run.good) {
        std::fprintf(stderr, "  run failed: receiver %s, camera %s\n",
                     complete ? "complete" : "incomplete", camsim::OutcomeName(sent.outcome));
    }
    return run;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

} // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::atoi(argv[1]) : 3;
    const std::string path =
        argc > 2 && argv[2][0] != '\0'
            ? argv[2]
            : std::string(ZELNOR2_TEST_PICTURES_DIR) + "/dune-100k-640x480.jpg";
    const long onlySpeed = argc > 3 ? std::atol(argv[3]) : 0;
    const std::vector<std::uint8_t> jpeg = ReadWholeFile(path);
    if (runs <= 0 || jpeg.empty()) {
        std::fprintf(stderr, "usage: %s [runs] [JPEG file] [speed]\n(cannot use %s)\n", argv[0],
                     path.c_str());
        return 2;
    }
    std::printf("%s: %zu bytes, %d runs each, medians\n\n", path.c_str(), jpeg.size(), runs);
    std::printf("%8s  %-36s %10s %10s %11s  %s\n", "bit/s", "mode", "wire bytes", "seconds",
                "efficiency", "target");
    bool allGood = true;
    for (const Mode& mode : kModes) {
        if (onlySpeed != 0 && mode.speed != onlySpeed) {
            continue;
        }
        std::vector<double> seconds;
        std::vector<double> efficiencies;
        Run good;
        for (int i = 0; i < runs; ++i) {
            const Run run = RunOnce(mode, jpeg);
            allGood = allGood && run.good;
            if (!run.good) {
                continue;
            }
            good = run;
            seconds.push_back(run.seconds);
            efficiencies.push_back(static_cast<double>(run.wireBytes) /
                                   (static_cast<double>(mode.speed) / 10.0) / run.seconds);
        }
        if (seconds.empty()) {
            std::printf("%8ld  %-36s %10s\n", mode.speed, mode.name, "FAILED");
            continue;
        }
        const double efficiency = 100.0 * Median(efficiencies);
        std::string target = "-";
        if (mode.targetPercent > 0) {
            target = ">= " + std::to_string(static_cast<int>(mode.targetPercent)) + " % " +
                     (efficiency >= mode.targetPercent ? "(met)" : "(MISSED)");
        }
        std::printf("%8ld  %-36s %10zu %10.3f %10.2f %%  %s%s%s\n", mode.speed, mode.name,
                    good.wireBytes, Median(seconds), efficiency, target.c_str(),
                    good.resends > 0 ? "  (resends!)" : "",
                    good.realtimeCamera ? "" : "  (camera not real-time)");
        std::fflush(stdout);
    }
    return allGood ? 0 : 1;
}
