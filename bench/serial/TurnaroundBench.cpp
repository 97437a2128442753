// How quickly the serial port passes a byte on, measured on a pseudo-terminal:
// the far end sends one byte, a waiting Read returns it, and the answer
// written with Write arrives back at the far end. Also how much processor
// time an open port costs while nothing arrives, and how long closing it takes.
//
//   bench_serial_turnaround [round trips (3000)] [idle seconds (10)]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/resource.h>
#include <thread>
#include <vector>

#include "serial/SerialPort.h"
#include "tests/support/LinkedPort.h"

namespace {

using Clock = std::chrono::steady_clock;

double Microseconds(Clock::duration duration) {
    return std::chrono::duration<double, std::micro>(duration).count();
}

double Percentile(std::vector<double> values, double fraction) {
    std::sort(values.begin(), values.end());
    const auto index = static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1));
    return values[index];
}

double ProcessorSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& time) {
        return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

void Report(const char* what, const std::vector<double>& values, double targetMedian) {
    const double median = Percentile(values, 0.5);
    std::printf(
        "%-34s median %8.1f us   p99 %8.1f us   max %8.1f us%s\n", what, median,
        Percentile(values, 0.99), *std::max_element(values.begin(), values.end()),
        targetMedian > 0 ? (median < targetMedian ? "   (target met)" : "   (TARGET MISSED)") : "");
}

} // namespace

int main(int argc, char** argv) {
    const int roundTrips = argc > 1 ? std::atoi(argv[1]) : 3000;
    const int idleSeconds = argc > 2 ? std::atoi(argv[2]) : 10;
    if (roundTrips <= 0 || idleSeconds < 0) {
        std::fprintf(stderr, "usage: %s [round trips] [idle seconds]\n", argv[0]);
        return 2;
    }

    testsupport::LinkedPort line(1);
    SerialPort port;
    if (!port.Open(1, 115200, "n,8,1")) {
        std::fprintf(stderr, "cannot open the port: %s\n", port.LastOpenError().c_str());
        return 1;
    }

    std::vector<double> toRead;
    std::vector<double> roundTrip;
    toRead.reserve(static_cast<std::size_t>(roundTrips));
    roundTrip.reserve(static_cast<std::size_t>(roundTrips));
    const int warmUp = 100;
    for (int i = 0; i < warmUp + roundTrips; ++i) {
        const std::uint8_t sent = static_cast<std::uint8_t>(i);
        const auto start = Clock::now();
        if (!line.Send(std::string_view(reinterpret_cast<const char*>(&sent), 1))) {
            std::fprintf(stderr, "the far end could not send\n");
            return 1;
        }
        std::uint8_t got = 0;
        if (port.Read(&got, 1, true, 1000) != 1 || got != sent) {
            std::fprintf(stderr, "round trip %d: the byte did not arrive\n", i);
            return 1;
        }
        const auto read = Clock::now();
        const std::uint8_t answer = static_cast<std::uint8_t>(~got);
        if (port.Write(&answer, 1) != 1) {
            std::fprintf(stderr, "round trip %d: the answer could not be written\n", i);
            return 1;
        }
        const auto back = line.Receive(1, std::chrono::seconds(1));
        const auto end = Clock::now();
        if (back.size() != 1 || back[0] != answer) {
            std::fprintf(stderr, "round trip %d: the answer did not arrive\n", i);
            return 1;
        }
        if (i >= warmUp) {
            toRead.push_back(Microseconds(read - start));
            roundTrip.push_back(Microseconds(end - start));
        }
    }
    std::printf("%d round trips on a pseudo-terminal at 115200 bit/s\n", roundTrips);
    Report("byte sent -> Read returns", toRead, 200.0);
    Report("byte sent -> answer back", roundTrip, 0);

    if (idleSeconds > 0) {
        const double before = ProcessorSeconds();
        const auto start = Clock::now();
        std::this_thread::sleep_for(std::chrono::seconds(idleSeconds));
        const double used = ProcessorSeconds() - before;
        const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
        const double share = 100.0 * used / elapsed;
        std::printf("idle open port over %.1f s: %.4f s processor time, %.3f %% of one core%s\n",
                    elapsed, used, share, share < 0.5 ? "   (target met)" : "   (TARGET MISSED)");
    }

    // Closing stops the reader; an idle reader must notice at once rather
    // than at the end of its pass.
    const auto closing = Clock::now();
    port.Close();
    std::printf("Close of an idle open port: %.1f us\n", Microseconds(Clock::now() - closing));
    return 0;
}
