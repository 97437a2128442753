#include "LinkedPort.h"

#include <cerrno>
#include <poll.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace testsupport {

namespace {

using Clock = std::chrono::steady_clock;

int MillisecondsLeft(Clock::time_point deadline) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

} // namespace

LinkedPort::LinkedPort(int n)
    : portNumber(n), portsVariable("ZELNOR2_PORTS", folder.Path()),
      lockVariable("ZELNOR2_LOCK_DIR", LockFolder()) {
    if (::mkdir(LockFolder().c_str(), 0755) != 0) {
        throw std::runtime_error("cannot create " + LockFolder());
    }
    PlugBack();
}

void LinkedPort::Unplug() {
    terminal.reset();
    LinkAlso(portNumber, folder / "unplugged");
}

void LinkedPort::PlugBack() {
    auto replacement = std::make_unique<tools::PseudoTerminal>();
    std::string error;
    if (!replacement->Open(error)) {
        throw std::runtime_error(error);
    }
    terminal = std::move(replacement);
    LinkAlso(portNumber);
}

LinkedPort::~LinkedPort() = default;

void LinkedPort::LinkAlso(int n, const std::string& target) {
    const std::string link = folder / ("COM" + std::to_string(n));
    const std::string& to = target.empty() ? terminal->SlavePath() : target;
    ::unlink(link.c_str());
    if (::symlink(to.c_str(), link.c_str()) != 0) {
        throw std::runtime_error("cannot link " + link + " to " + to);
    }
}

bool LinkedPort::Send(std::span<const std::uint8_t> bytes, std::chrono::milliseconds limit) {
    const auto deadline = Clock::now() + limit;
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const auto done = ::write(Master(), bytes.data() + sent, bytes.size() - sent);
        if (done > 0) {
            sent += static_cast<std::size_t>(done);
            continue;
        }
        if (done < 0 && errno != EAGAIN && errno != EINTR) {
            return false;
        }
        const int left = MillisecondsLeft(deadline);
        if (left == 0) {
            return false;
        }
        pollfd request{Master(), POLLOUT, 0};
        ::poll(&request, 1, left);
    }
    return true;
}

bool LinkedPort::Send(std::string_view bytes, std::chrono::milliseconds limit) {
    return Send(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()),
                limit);
}

std::vector<std::uint8_t> LinkedPort::Receive(std::size_t count, std::chrono::milliseconds limit) {
    const auto deadline = Clock::now() + limit;
    std::vector<std::uint8_t> received(count);
    std::size_t got = 0;
    while (got < count) {
        const auto done = ::read(Master(), received.data() + got, count - got);
        if (done > 0) {
            got += static_cast<std::size_t>(done);
            continue;
        }
        if (done < 0 && errno != EAGAIN && errno != EINTR) {
            break;
        }
        const int left = MillisecondsLeft(deadline);
        if (left == 0) {
            break;
        }
        pollfd request{Master(), POLLIN, 0};
        ::poll(&request, 1, left);
    }
    received.resize(got);
    return received;
}

void LinkedPort::DiscardReceived() {
    std::uint8_t scrap[4096];
    while (::read(Master(), scrap, sizeof scrap) > 0) {
    }
}

} // namespace testsupport
