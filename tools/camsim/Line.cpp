#include "Line.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <thread>
#include <unistd.h>

namespace camsim {

namespace {

using Clock = Pacer::Clock;
constexpr std::chrono::milliseconds kStopCheck{10};

} // namespace

Line::Line(int fd, long bitsPerSecond, std::chrono::milliseconds writeStall, const StopSignal& stop)
    : fd(fd), pacer(bitsPerSecond), writeStall(writeStall), stop(stop) {
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0 && (flags & O_NONBLOCK) == 0) {
        ::fcntl(fd, F_SETFL, flags | O_NONBLOCK);
    }
}

void Line::WaitReady(short events, Clock::time_point deadline) {
    const Clock::time_point now = Clock::now();
    if (deadline <= now) {
        return;
    }
    const auto wait =
        std::min(std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now) +
                     std::chrono::milliseconds(1),
                 kStopCheck);
    struct pollfd entry {
        fd, events, 0
    };
    const int ready = ::poll(&entry, 1, static_cast<int>(wait.count()));
    if (ready > 0 && (entry.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0 &&
        (entry.revents & events) == 0) {
        // A far end that hung up answers at once; sleep instead of spinning.
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

LineStatus Line::Write(std::span<const std::uint8_t> bytes) {
    std::size_t done = 0;
    Clock::time_point lastProgress = Clock::now();
    while (done < bytes.size()) {
        if (stop.Raised()) {
            return LineStatus::Stopped;
        }
        const Clock::time_point now = Clock::now();
        const std::size_t allowed = pacer.Allowance(now, bytes.size() - done);
        if (allowed == 0) {
            const Clock::time_point wake =
                std::min(pacer.NextDue() - Pacer::kSlice, now + kStopCheck);
            std::this_thread::sleep_until(wake);
            lastProgress = std::max(lastProgress, Clock::now());
            continue;
        }
        const Clock::time_point writing = Clock::now();
        const ssize_t written = ::write(fd, bytes.data() + done, allowed);
        if (written > 0) {
            const auto count = static_cast<std::size_t>(written);
            if (quietSince != Clock::time_point{}) {
                longestQuiet = std::max(longestQuiet, writing - quietSince);
            }
            quietSince = Clock::now();
            pacer.Sent(count);
            done += count;
            bytesWritten += count;
            lastProgress = Clock::now();
            continue;
        }
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            error = std::string("write failed: ") + std::strerror(errno);
            return LineStatus::Failed;
        }
        if (Clock::now() - lastProgress >= writeStall) {
            error = "the line took no byte for " + std::to_string(writeStall.count()) + " ms";
            return LineStatus::Failed;
        }
        WaitReady(POLLOUT, lastProgress + writeStall);
    }
    return LineStatus::Done;
}

LineStatus Line::Read(std::size_t count, std::chrono::milliseconds timeout,
                      std::vector<std::uint8_t>& out) {
    const Clock::time_point deadline = Clock::now() + timeout;
    std::size_t got = 0;
    while (got < count) {
        if (stop.Raised()) {
            return LineStatus::Stopped;
        }
        std::uint8_t buffer[64];
        const ssize_t received = ::read(fd, buffer, std::min(count - got, sizeof buffer));
        if (received > 0) {
            out.insert(out.end(), buffer, buffer + received);
            got += static_cast<std::size_t>(received);
            quietSince = Clock::now();
            continue;
        }
        if (received < 0 && errno == EINTR) {
            continue;
        }
        // Nothing there (EAGAIN), or a far end that has gone (EIO): wait.
        if (Clock::now() >= deadline) {
            return LineStatus::TimedOut;
        }
        WaitReady(POLLIN, deadline);
    }
    return LineStatus::Done;
}

void Line::StartQuietWatch() {
    quietSince = Clock::time_point{};
    longestQuiet = Clock::duration{0};
}

std::chrono::milliseconds Line::LongestQuiet() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(longestQuiet);
}

void Line::Drain(std::vector<std::uint8_t>& out) {
    std::uint8_t buffer[256];
    for (;;) {
        const ssize_t received = ::read(fd, buffer, sizeof buffer);
        if (received > 0) {
            out.insert(out.end(), buffer, buffer + received);
        } else if (!(received < 0 && errno == EINTR)) {
            return;
        }
    }
}

LineStatus Line::Pause(std::chrono::milliseconds duration) {
    const Clock::time_point end = Clock::now() + duration;
    while (Clock::now() < end) {
        if (stop.Raised()) {
            return LineStatus::Stopped;
        }
        std::this_thread::sleep_until(std::min(end, Clock::now() + kStopCheck));
    }
    return stop.Raised() ? LineStatus::Stopped : LineStatus::Done;
}

} // namespace camsim
