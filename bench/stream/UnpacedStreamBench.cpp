// Zelnor2 without its window, continuous capture with --count, against the
// camera simulator writing as fast as a bare pseudo-terminal takes the bytes
// (no line simulator, no pacing): what a camera behind a USB CDC-ACM port
// does. Prints, per run and as medians: megabytes a second from the first
// picture to the program's end, the program's CPU seconds (user + system) per
// megabyte, its peak resident memory, and the bytes lost (every stored file
// is compared with what was sent). With VIEWERS, the program also serves its
// browser view, and that many viewers read its stream while one more asks
// for it and never reads: the camera must not notice them.
//
// usage: bench_unpaced_stream [RUNS [PICTURES [SIZE [BLOCKSIZE [VIEWERS]]]]]
//        defaults 5 runs of 40 pictures of 118 KiB, block size 0 (streaming),
//        no viewers
#include "tests/e2e/BrowserView.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/LinkedPort.h"
#include "tests/support/PatternBytes.h"
#include "tests/support/ServiceManagerSocket.h"
#include "tests/support/TempDir.h"
#include "tests/web/HttpClient.h"
#include "tools/camsim/Camera.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace std::chrono_literals;

namespace {

struct Figures {
    double megabytesPerSecond = 0;
    double cpuSecondsPerMegabyte = 0;
    long peakResidentKib = 0;
    std::uint64_t bytesLost = 0;
    int status = -1;
};

double Seconds(const timeval& time) {
    return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6;
}

std::uint64_t BytesLost(const std::string& file, const std::vector<std::uint8_t>& sent) {
    std::ifstream in(file, std::ios::binary);
    const std::vector<std::uint8_t> stored((std::istreambuf_iterator<char>(in)),
                                           std::istreambuf_iterator<char>());
    std::uint64_t lost =
        stored.size() > sent.size() ? stored.size() - sent.size() : sent.size() - stored.size();
    const std::size_t common = std::min(stored.size(), sent.size());
    for (std::size_t i = 0; i < common; ++i) {
        lost += stored[i] != sent[i] ? 1 : 0;
    }
    return lost;
}

// One run in a child of its own, so that its resource figures are the
// program's alone.
// A viewer that reads the stream as fast as it comes and throws it away, so
// that what it costs is the program's sending, not a client's parsing.
void ReadStreamToTheEnd(std::uint16_t port) {
    // Viewers sit on other machines; here they must not take the program's
    // processors away from it.
    ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), 19);
    webtest::Connection viewer(port);
    if (viewer.Send("GET /stream HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n")) {
        viewer.DiscardToEnd();
    }
}

// Viewers of the browser view for the length of a run: readers that take
// the stream as it comes, and one that asks for it and never reads.
class Viewers {
public:
    Viewers(std::uint16_t port, int readers) : stalled(port) {
        stalled.Send("GET /stream HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
        for (int r = 0; r < readers; ++r) {
            threads.emplace_back(ReadStreamToTheEnd, port);
        }
    }
    ~Viewers() {
        for (std::thread& thread : threads) {
            thread.join();
        }
    }

private:
    webtest::Connection stalled;
    std::vector<std::thread> threads;
};

Figures Run(int pictures, std::size_t size, std::uint16_t blockSize, int viewers) {
    testsupport::ServiceManagerSocket manager;
    testsupport::LinkedPort line{1};
    testsupport::TempDir folder;
    const std::uint16_t port = e2e::FreePort();
    std::vector<std::string> args{"/usr/bin/env",  "-C",        folder.Path(),
                                  ZELNOR2_PROGRAM, "--capture", folder / "shot.jpg",
                                  "--port",        "1",         "--speed",
                                  "115200",        "--count",   std::to_string(pictures)};
    if (viewers > 0) {
        // Every viewer of the bench comes from 127.0.0.1.
        args.insert(args.end(), {"--http", std::to_string(port), "--http-max-per-address", "0"});
    }
    testsupport::ChildProcess program(args);
    Figures figures;
    if (!manager.WaitFor(program.Pid(), "READY=1", 20s)) {
        std::fprintf(stderr, "the program did not start: %s\n", program.Errors().c_str());
        return figures;
    }
    std::unique_ptr<Viewers> watching;
    if (viewers > 0) {
        watching = std::make_unique<Viewers>(port, viewers);
    }
    camsim::OutgoingPicture picture;
    picture.data = testsupport::PatternBytes(size, 7);
    picture.blockSize = blockSize;
    picture.checkFlag = blockSize == 0 ? 0 : 1;
    picture.ackFlag = blockSize == 0 ? 0 : 1;
    camsim::CameraOptions options;
    options.bitsPerSecond = 0;
    camsim::Camera camera(line.Master(), options);

    rusage before{};
    getrusage(RUSAGE_CHILDREN, &before);
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < pictures; ++i) {
        camera.Send(picture);
    }
    figures.status = program.Wait(120s);
    const double elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    rusage after{};
    getrusage(RUSAGE_CHILDREN, &after);

    const double megabytes = static_cast<double>(size) * pictures / 1e6;
    figures.megabytesPerSecond = megabytes / elapsed;
    figures.cpuSecondsPerMegabyte = (Seconds(after.ru_utime) - Seconds(before.ru_utime) +
                                     Seconds(after.ru_stime) - Seconds(before.ru_stime)) /
                                    megabytes;
    figures.peakResidentKib = after.ru_maxrss;
    for (int i = 0; i < pictures; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "shot%08d.jpg", i);
        figures.bytesLost += BytesLost(folder / name, picture.data);
    }
    return figures;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::atoi(argv[1]) : 5;
    const int pictures = argc > 2 ? std::atoi(argv[2]) : 40;
    const std::size_t size = argc > 3 ? std::strtoul(argv[3], nullptr, 10) : 118 * 1024;
    const auto blockSize = static_cast<std::uint16_t>(argc > 4 ? std::atoi(argv[4]) : 0);
    const int viewers = argc > 5 ? std::atoi(argv[5]) : 0;
    std::printf("%d runs of %d pictures of %zu bytes, block size %u, unpaced on a bare pty\n", runs,
                pictures, size, blockSize);
    if (viewers > 0) {
        std::printf("with the browser view: %d stream readers and one viewer that never reads\n",
                    viewers);
    }
    std::printf("%6s %10s %12s %14s %10s %7s\n", "run", "MB/s", "CPU-s/MB", "peak RSS KiB", "lost",
                "status");
    std::vector<double> rates, cpu;
    long peak = 0;
    std::uint64_t lost = 0;
    for (int run = 1; run <= runs; ++run) {
        const Figures figures = Run(pictures, size, blockSize, viewers);
        std::printf("%6d %10.2f %12.4f %14ld %10llu %7d\n", run, figures.megabytesPerSecond,
                    figures.cpuSecondsPerMegabyte, figures.peakResidentKib,
                    static_cast<unsigned long long>(figures.bytesLost), figures.status);
        rates.push_back(figures.megabytesPerSecond);
        cpu.push_back(figures.cpuSecondsPerMegabyte);
        peak = std::max(peak, figures.peakResidentKib);
        lost += figures.bytesLost;
    }
    std::printf("median %10.2f %12.4f %14ld %10llu\n", Median(rates), Median(cpu), peak,
                static_cast<unsigned long long>(lost));
    return lost == 0 ? 0 : 1;
}
