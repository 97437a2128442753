// How long after a picture's PictureStored event (a stand-in for the final
// acknowledgement) its last byte reaches a viewer of /stream: the real view on
// 127.0.0.1, its listener fed as a worker feeds it, the viewers in a child
// process so that the CPU time counted here is the view's (and the feeding
// thread's) alone. Prints median and 99th percentile of the latency and the
// CPU seconds per picture per viewer for 1 viewer, 16 viewers, and 16 viewers
// with one that connects and never reads; and how long Stop took (in the
// last case with the stalled viewer still connected).
//
// usage: bench_http_latency [PICTURES [BYTES [GAP_MS]]]
//        default 200 pictures of 100000 bytes, one every 20 ms
#include "web/MultipartStream.h"
#include "web/WebView.h"

#include <algorithm>
#include <arpa/inet.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <netinet/in.h>
#include <string>
#include <string_view>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// A connection to the view that has sent request.
int Ask(std::uint16_t port, std::string_view request) {
    const int descriptor = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(descriptor, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        std::perror("connect");
        std::exit(1);
    }
    if (::send(descriptor, request.data(), request.size(), 0) < 0) {
        std::perror("send");
        std::exit(1);
    }
    return descriptor;
}

// A viewer of the stream.
int ConnectTo(std::uint16_t port) {
    return Ask(port, "GET /stream HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
}

// One viewer: reads the stream and notes, for each picture, its number (the
// first bytes of its body) and when the boundary after it arrived.
void ReadStream(std::uint16_t port, int pictures, std::vector<std::int64_t>& doneAt) {
    const int descriptor = ConnectTo(port);
    const std::string delimiter = "\r\n--" + std::string(web::MultipartStream::kBoundary);
    std::string pending;
    std::vector<char> buffer(256 * 1024);
    int current = -1;
    std::size_t scanFrom = 0;
    while (true) {
        const ssize_t count = ::recv(descriptor, buffer.data(), buffer.size(), 0);
        if (count <= 0) {
            break;
        }
        pending.append(buffer.data(), static_cast<std::size_t>(count));
        for (;;) {
            if (current < 0) {
                const auto bodyAt = pending.find("\r\n\r\n", pending.find("Content-Type"));
                if (bodyAt == std::string::npos || pending.size() < bodyAt + 4 + 12) {
                    break;
                }
                current = std::atoi(pending.c_str() + bodyAt + 4 + 4);
                pending.erase(0, bodyAt + 4);
                scanFrom = 0;
            }
            const auto end = pending.find(delimiter, scanFrom);
            if (end == std::string::npos) {
                scanFrom =
                    pending.size() > delimiter.size() ? pending.size() - delimiter.size() : 0;
                break;
            }
            const auto now = Clock::now().time_since_epoch();
            if (current >= 0 && current < pictures) {
                doneAt[current] = std::chrono::duration_cast<std::chrono::nanoseconds>(now).count();
            }
            pending.erase(0, end + 2);
            if (current == pictures - 1) {
                ::close(descriptor);
                return;
            }
            current = -1;
        }
    }
    ::close(descriptor);
}

double CpuSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// The stream viewers the view counts now, from its state.
int ViewersNow(std::uint16_t port) {
    const int descriptor =
        Ask(port, "GET /state HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n");
    std::string answer;
    char chunk[4096];
    ssize_t count = 0;
    while ((count = ::recv(descriptor, chunk, sizeof chunk, 0)) > 0) {
        answer.append(chunk, static_cast<std::size_t>(count));
    }
    ::close(descriptor);
    const auto at = answer.find("\"viewers\":");
    return at == std::string::npos ? -1 : std::atoi(answer.c_str() + at + 10);
}

void RunCase(const char* name, int viewers, bool stalled, int pictures, std::size_t bytes,
             int gapMs) {
    char folder[] = "/tmp/zelnor2-bench-http-XXXXXX";
    if (::mkdtemp(folder) == nullptr) {
        std::perror("mkdtemp");
        std::exit(1);
    }
    int portPipe[2];
    int resultPipe[2];
    if (::pipe(portPipe) != 0 || ::pipe(resultPipe) != 0) {
        std::perror("pipe");
        std::exit(1);
    }
    // The viewers' process is forked before the view has any thread.
    const pid_t child = ::fork();
    if (child == 0) {
        std::uint16_t port = 0;
        if (::read(portPipe[0], &port, sizeof port) != sizeof port) {
            ::_exit(1);
        }
        std::vector<std::vector<std::int64_t>> done(viewers,
                                                    std::vector<std::int64_t>(pictures, 0));
        std::vector<std::thread> threads;
        for (int i = 0; i < viewers; ++i) {
            threads.emplace_back([&, i] { ReadStream(port, pictures, done[i]); });
        }
        for (auto& thread : threads) {
            thread.join();
        }
        for (const auto& times : done) {
            if (::write(resultPipe[1], times.data(), times.size() * sizeof(std::int64_t)) < 0) {
                ::_exit(1);
            }
        }
        ::_exit(0);
    }

    web::WebOptions options;
    options.listen = {"127.0.0.1", false, 0};
    // Every viewer of the bench comes from 127.0.0.1.
    options.maxConnectionsPerAddress = 0;
    // Every picture to every reader: the path's time is measured, not the
    // viewers' rate.
    options.maxPicturesPerSecond = 0;
    const transfer::RunTally tally{};
    web::WebView view(options, {"bench", 115200, transfer::RunKind::Capture, "bench", "bench"},
                      tally);
    if (const auto error = view.Start(); !error.empty()) {
        std::fprintf(stderr, "%s\n", error.c_str());
        std::exit(1);
    }
    const std::uint16_t port = view.Port();
    int stalledSocket = -1;
    if (stalled) {
        stalledSocket = ConnectTo(port);
    }
    if (::write(portPipe[1], &port, sizeof port) != sizeof port) {
        std::exit(1);
    }
    while (ViewersNow(port) < viewers + (stalled ? 1 : 0)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }

    // The files are written before the run, as the transfer has written
    // each one when its event comes, and its bytes shared with the event.
    std::vector<std::string> files;
    std::vector<std::shared_ptr<const transfer::Picture>> shared;
    for (int i = 0; i < pictures; ++i) {
        char head[16];
        std::snprintf(head, sizeof head, "PIC:%08d", i);
        std::string picture(bytes, static_cast<char>('a' + i % 26));
        std::memcpy(picture.data(), head, 12);
        files.push_back(std::string(folder) + "/shot" + std::to_string(i) + ".jpg");
        std::ofstream(files.back(), std::ios::binary) << picture;
        auto made = std::make_shared<transfer::Picture>();
        made->bytes.assign(picture.begin(), picture.end());
        made->number = static_cast<std::uint64_t>(i);
        made->time = std::chrono::system_clock::now();
        shared.push_back(std::move(made));
    }
    std::vector<std::int64_t> storedAt(pictures);
    double longestEvent = 0;
    const double cpuBefore = CpuSeconds();
    for (int i = 0; i < pictures; ++i) {
        transfer::PictureStored stored;
        stored.number = static_cast<std::uint64_t>(i);
        stored.file = files[i];
        stored.bytes = static_cast<std::uint32_t>(bytes);
        stored.picture = shared[i];
        const auto start = Clock::now();
        storedAt[i] =
            std::chrono::duration_cast<std::chrono::nanoseconds>(start.time_since_epoch()).count();
        view.OnRunEvent(stored);
        longestEvent = std::max(
            longestEvent, std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        std::this_thread::sleep_for(std::chrono::milliseconds(gapMs));
    }
    std::vector<std::int64_t> done(static_cast<std::size_t>(viewers) * pictures);
    std::size_t got = 0;
    auto* into = reinterpret_cast<char*>(done.data());
    while (got < done.size() * sizeof(std::int64_t)) {
        const ssize_t count = ::read(resultPipe[0], into + got, done.size() * 8 - got);
        if (count <= 0) {
            break;
        }
        got += static_cast<std::size_t>(count);
    }
    const double cpu = CpuSeconds() - cpuBefore;
    ::waitpid(child, nullptr, 0);
    const auto stopping = Clock::now();
    view.Stop();
    const double stopMs =
        std::chrono::duration<double, std::milli>(Clock::now() - stopping).count();
    if (stalledSocket >= 0) {
        ::close(stalledSocket);
    }
    for (const auto& file : files) {
        ::unlink(file.c_str());
    }
    ::rmdir(folder);
    ::close(portPipe[0]);
    ::close(portPipe[1]);
    ::close(resultPipe[0]);
    ::close(resultPipe[1]);

    std::vector<double> latencies;
    int missed = 0;
    for (int viewer = 0; viewer < viewers; ++viewer) {
        for (int i = 0; i < pictures; ++i) {
            const auto at = done[static_cast<std::size_t>(viewer) * pictures + i];
            if (at == 0) {
                ++missed;
                continue;
            }
            latencies.push_back(static_cast<double>(at - storedAt[i]) / 1e6);
        }
    }
    std::sort(latencies.begin(), latencies.end());
    auto percentile = [&](double p) {
        return latencies.empty()
                   ? 0.0
                   : latencies[std::min(latencies.size() - 1,
                                        static_cast<std::size_t>(p * latencies.size()))];
    };
    std::printf("| %s | %d | %.3f | %.3f | %.3f | %d | %.1f | %.2f | %.1f |\n", name, viewers,
                percentile(0.5), percentile(0.99), latencies.empty() ? 0.0 : latencies.back(),
                missed, cpu / pictures / viewers * 1e6, longestEvent, stopMs);
}

} // namespace

int main(int argc, char** argv) {
    const int pictures = argc > 1 ? std::atoi(argv[1]) : 200;
    const std::size_t bytes = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 100000;
    const int gapMs = argc > 3 ? std::atoi(argv[3]) : 20;
    std::printf("%d pictures of %zu bytes, one every %d ms\n\n", pictures, bytes, gapMs);
    std::printf(
        "| case | readers | median ms | p99 ms | max ms | skipped | CPU us per picture "
        "per reader | longest OnRunEvent ms | Stop ms |\n|---|---|---|---|---|---|---|---|---|\n");
    RunCase("1 reader", 1, false, pictures, bytes, gapMs);
    RunCase("16 readers", 16, false, pictures, bytes, gapMs);
    RunCase("16 readers + 1 stalled", 16, true, pictures, bytes, gapMs);
    return 0;
}
