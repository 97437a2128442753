#include "LineEnd.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <unistd.h>

namespace camsimtest {

namespace {

using Clock = std::chrono::steady_clock;

int MillisecondsUntil(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return static_cast<int>(std::max<std::int64_t>(0, left.count()) + 1);
}

} // namespace

LineEnd::LineEnd(const std::string& path) {
    fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
}

LineEnd::LineEnd(int borrowed) : fd(borrowed), owned(false) {
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
}

LineEnd::~LineEnd() {
    if (owned && fd >= 0) {
        ::close(fd);
    }
}

Bytes LineEnd::Read(std::size_t count, std::chrono::milliseconds limit) {
    const Clock::time_point deadline = Clock::now() + limit;
    Bytes bytes;
    while (bytes.size() < count) {
        std::uint8_t buffer[4096];
        const ssize_t got = ::read(fd, buffer, std::min(count - bytes.size(), sizeof buffer));
        if (got > 0) {
            bytes.insert(bytes.end(), buffer, buffer + got);
            continue;
        }
        if (Clock::now() >= deadline) {
            break;
        }
        struct pollfd entry {
            fd, POLLIN, 0
        };
        ::poll(&entry, 1, std::min(MillisecondsUntil(deadline), 50));
    }
    return bytes;
}

Bytes LineEnd::ReadExactly(std::size_t count, std::chrono::milliseconds limit) {
    Bytes bytes = Read(count, limit);
    if (bytes.size() != count) {
        throw std::runtime_error("only " + std::to_string(bytes.size()) + " of " +
                                 std::to_string(count) + " bytes arrived");
    }
    return bytes;
}

Bytes LineEnd::ReadExpected(std::size_t count) {
    Bytes bytes = Read(count, 10s);
    const Bytes more = ReadUntilQuiet(100ms);
    bytes.insert(bytes.end(), more.begin(), more.end());
    return bytes;
}

Bytes LineEnd::ReadUntilQuiet(std::chrono::milliseconds quiet, std::chrono::milliseconds limit) {
    const Clock::time_point deadline = Clock::now() + limit;
    Bytes bytes;
    Clock::time_point lastArrival = Clock::now();
    while (Clock::now() < deadline && Clock::now() - lastArrival < quiet) {
        std::uint8_t buffer[4096];
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got > 0) {
            bytes.insert(bytes.end(), buffer, buffer + got);
            lastArrival = Clock::now();
            continue;
        }
        struct pollfd entry {
            fd, POLLIN, 0
        };
        ::poll(&entry, 1, std::min(MillisecondsUntil(lastArrival + quiet), 50));
    }
    return bytes;
}

void LineEnd::Write(const Bytes& bytes) {
    std::size_t done = 0;
    const Clock::time_point deadline = Clock::now() + 5s;
    while (done < bytes.size()) {
        const ssize_t written = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (written > 0) {
            done += static_cast<std::size_t>(written);
            continue;
        }
        if (written < 0 && errno != EAGAIN && errno != EINTR) {
            throw std::runtime_error("the test's end of the line cannot write");
        }
        if (Clock::now() >= deadline) {
            throw std::runtime_error("the test's end of the line stays full");
        }
        struct pollfd entry {
            fd, POLLOUT, 0
        };
        ::poll(&entry, 1, 50);
    }
}

void LineEnd::Write(std::string_view text) {
    Write(ToBytes(text));
}

Bytes ToBytes(std::string_view text) {
    return Bytes(text.begin(), text.end());
}

std::string ToText(const Bytes& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

Bytes Pattern(std::size_t size, std::uint8_t seed) {
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<std::uint8_t>(i * 31 + seed + (i >> 8));
    }
    return bytes;
}

std::uint8_t XorOf(const Bytes& bytes, std::size_t from, std::size_t count) {
    std::uint8_t value = 0;
    const std::size_t end = count == SIZE_MAX ? bytes.size() : std::min(bytes.size(), from + count);
    for (std::size_t i = from; i < end; ++i) {
        value ^= bytes[i];
    }
    return value;
}

} // namespace camsimtest
