// Opening, configuring and closing the port, writing to it and its modem
// lines. The receive side is in SerialPortReceive.cpp.
#include "SerialPort.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include "DeviceAccess.h"
#include "LowLatency.h"
#include "ModemLines.h"
#include "PortNames.h"
#include "TerminalSettings.h"

namespace {

// A write of k bytes may take 10 ms per byte plus 10 ms before it gives up.
constexpr std::uint64_t kWriteMsPerByte = 10;
constexpr std::uint64_t kWriteMsExtra = 10;

std::string ComName(std::int32_t n) {
    return "COM" + std::to_string(n);
}

} // namespace

SerialPort::SerialPort() = default;

SerialPort::~SerialPort() {
    SerialPort::Close();
    // A reader started on a closed port has to end too.
    SerialPort::StopReader();
}

bool SerialPort::Open(std::int32_t port, std::int32_t newSpeed, const std::string& format) {
    if (IsOpen()) {
        if (port == portNumber) {
            SetOpenError({});
            return true;
        }
        SetOpenError(ComName(port) + ": this port object has " + OpenName() + " open");
        return false;
    }
    if (port < 1 || port > 9) {
        SetOpenError(ComName(port) + ": only COM1 to COM9 can be opened");
        return false;
    }
    if (!OpenResolved(serial::ResolvePort(port), newSpeed, format)) {
        return false;
    }
    portNumber = port;
    return true;
}

bool SerialPort::OpenDevice(const std::string& path, std::int32_t newSpeed,
                            const std::string& format) {
    if (IsOpen()) {
        if (portNumber == 0 && path == opened.path) {
            SetOpenError({});
            return true;
        }
        SetOpenError(path + ": this port object has " + OpenName() + " open");
        return false;
    }
    if (path.empty()) {
        SetOpenError("no device path given");
        return false;
    }
    if (!OpenResolved(serial::NamedDevice(path), newSpeed, format)) {
        return false;
    }
    portNumber = 0;
    return true;
}

std::string SerialPort::OpenName() const {
    return portNumber != 0 ? ComName(portNumber) : opened.path;
}

bool SerialPort::OpenResolved(const serial::PortDevice& device, std::int32_t newSpeed,
                              const std::string& format) {
    if (capacity == 0) {
        SetOpenError(device.name + ": no memory for the receive buffer");
        return false;
    }
    serial::OpenRefusal refusal;
    const int descriptorOpened = serial::OpenExclusive(device, refusal);
    if (descriptorOpened < 0) {
        SetOpenError(serial::DescribeOpenFailure(device, refusal.error, refusal.holder));
        return false;
    }
    descriptor = descriptorOpened;
    opened = device;

    configureProblem.clear();
    std::string problem;
    if (!Configure(newSpeed, format)) {
        problem = configureProblem.empty() ? "the line settings were refused" : configureProblem;
    } else if (!StartReader()) {
        problem = "the reader thread could not be started";
    }
    if (!problem.empty()) {
        descriptor = -1;
        serial::CloseExclusive(descriptorOpened);
        SetOpenError(device.Label() + ": " + problem);
        return false;
    }
    speed = newSpeed;
    SetOpenError({});
    return true;
}

bool SerialPort::IsOpen() {
    return descriptor.load() != -1;
}

bool SerialPort::Close() {
    if (IsOpen()) {
        StopReader();
        serial::CloseExclusive(descriptor.exchange(-1));
    }
    return true;
}

bool SerialPort::Reopen(std::int32_t newSpeed, const std::string& format) {
    if (!IsOpen()) {
        return false;
    }
    Close();
    return portNumber != 0 ? Open(portNumber, newSpeed, format)
                           : OpenDevice(opened.path, newSpeed, format);
}

bool SerialPort::SetState(const LineSettings& settings) {
    return serial::ApplyLineSettings(descriptor.load(), settings) == 0;
}

std::uint32_t SerialPort::Write(const void* source, std::uint32_t length) {
    return WriteWithin(source, length, kWriteMsPerByte * length + kWriteMsExtra);
}

bool SerialPort::WriteChar(std::uint8_t byte) {
    return WriteWithin(&byte, 1, kWriteMsPerByte + kWriteMsExtra) == 1;
}

std::uint32_t SerialPort::WriteWithin(const void* source, std::uint32_t length,
                                      std::uint64_t limitMs) {
    if (source == nullptr || length == 0) {
        return 0;
    }
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(limitMs);
    const int device = descriptor.load();
    const auto* bytes = static_cast<const std::uint8_t*>(source);
    std::uint32_t written = 0;
    while (written < length) {
        const auto done = ::write(device, bytes + written, length - written);
        if (done > 0) {
            written += static_cast<std::uint32_t>(done);
            continue;
        }
        if (done < 0 && errno == EINTR) {
            continue;
        }
        if (done < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            break;
        }
        // The driver's queue is full: wait for room until the limit runs out.
        const auto left =
            std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) {
            break;
        }
        pollfd request{device, POLLOUT, 0};
        const int ready = ::poll(&request, 1, static_cast<int>(std::min<long long>(left, INT_MAX)));
        if (ready < 0 && errno != EINTR) {
            break;
        }
        if (ready > 0 && (request.revents & POLLOUT) == 0) {
            break; // hung up or failed
        }
    }
    return written;
}

bool SerialPort::SetDtr() {
    return ChangeLine(TIOCM_DTR, true);
}

bool SerialPort::ClearDtr() {
    return ChangeLine(TIOCM_DTR, false);
}

bool SerialPort::IsDsrOn() {
    return IsLineOn(TIOCM_DSR);
}

bool SerialPort::SetRts() {
    return ChangeLine(TIOCM_RTS, true);
}

bool SerialPort::ClearRts() {
    return ChangeLine(TIOCM_RTS, false);
}

bool SerialPort::IsCtsOn() {
    return IsLineOn(TIOCM_CTS);
}

bool SerialPort::ChangeLine(int line, bool raise) {
    if (!IsOpen()) {
        return false;
    }
    return serial::ChangeModemLines(descriptor.load(), line, raise) == 0;
}

bool SerialPort::IsLineOn(int line) {
    int lines = 0;
    if (!IsOpen() || !serial::ReadModemLines(descriptor.load(), lines)) {
        return false;
    }
    return (lines & line) != 0;
}

int SerialPort::Handle() {
    return descriptor.load();
}

bool SerialPort::Configure(std::int32_t newSpeed, const std::string& format) {
    if (!IsOpen()) {
        return false;
    }
    const std::string text = std::to_string(static_cast<long>(newSpeed)) + "," + format;
    LineSettings settings;
    if (!ParseLineSettings(text, settings)) {
        configureProblem = "the line settings \"" + text + "\" are not valid";
        return false;
    }
    settings.dtrRaised = true;
    settings.rtsRaised = true;
    const int device = descriptor.load();
    if (const int error = serial::ApplyLineSettings(device, settings); error != 0) {
        configureProblem =
            error == serial::kSpeedNotTaken
                ? "the device cannot run at " + std::to_string(newSpeed) + " bit/s"
                : "the device refused the line settings \"" + text + "\": " + std::strerror(error);
        return false;
    }
    if (const int error = serial::RequestLowLatency(device); error != 0) {
        configureProblem =
            std::string("cannot ask the driver for low latency: ") + std::strerror(error);
        return false;
    }
    if (::tcflush(device, TCIOFLUSH) != 0) {
        configureProblem = std::string("cannot empty the device's queues: ") + std::strerror(errno);
        return false;
    }
    return true;
}

std::uint32_t SerialPort::Reserved(std::uint32_t) {
    return 0;
}

std::string SerialPort::LastOpenError() const {
    std::lock_guard guard(reasonLock);
    return openError;
}

std::string SerialPort::LineLostReason() const {
    std::lock_guard guard(reasonLock);
    if (lostReason.empty()) {
        return {};
    }
    return PortDescription() + ": " + lostReason;
}

std::string SerialPort::PortDescription() const {
    return opened.Label();
}

void SerialPort::SetOpenError(std::string text) {
    std::lock_guard guard(reasonLock);
    openError = std::move(text);
}
