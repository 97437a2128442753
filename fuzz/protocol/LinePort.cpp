#include "LinePort.h"

std::uint32_t LinePort::Read(void* destination, std::uint32_t length, bool waitForAll,
                             std::uint32_t timeoutMs) {
    // The receiver always waits for the whole count, and never without a
    // limit: a read that could hang would hang a worker for good.
    if (!waitForAll || timeoutMs == SerialPort::kNoTimeLimit) {
        __builtin_trap();
    }
    const std::uint32_t n = line.Read(static_cast<std::uint8_t*>(destination), length);
    if (line.StopRaised()) {
        stop.request_stop();
    }
    return n;
}

std::uint32_t LinePort::Write(const void* source, std::uint32_t length) {
    return line.Write(static_cast<const std::uint8_t*>(source), length);
}

bool LinePort::WriteChar(std::uint8_t byte) {
    line.WriteChar(byte);
    return true;
}
