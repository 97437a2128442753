// The receive side of the port: the reader thread that moves arriving bytes
// into the buffer, and the timed read that takes them out.
#include "SerialPort.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstring>
#include <new>
#include <poll.h>
#include <system_error>
#include <unistd.h>

#include "platform/TickCount.h"

namespace {

constexpr std::size_t kChunkSize = 4096;
constexpr auto kPass = std::chrono::milliseconds(1);
constexpr int kPassMs = 1;

} // namespace

bool SerialPort::StartReader() {
    if (reader.joinable()) {
        return true;
    }
    stopRequested = false;
    try {
        reader = std::thread(&SerialPort::ReaderLoop, this);
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

void SerialPort::StopReader() {
    if (!reader.joinable()) {
        return;
    }
    stopRequested = true;
    reader.join();
}

void SerialPort::ReaderLoop() {
    std::array<std::uint8_t, kChunkSize> chunk;
    while (!stopRequested.load()) {
        const int device = descriptor.load();
        pollfd request{device, POLLIN, 0};
        const int ready = ::poll(&request, 1, kPassMs);
        if (ready == 0) {
            continue; // the pass's millisecond went by in poll
        }
        if (ready > 0 && (request.revents & POLLIN) != 0) {
            const auto got = ::read(device, chunk.data(), chunk.size());
            if (got > 0) {
                Append(chunk.data(), static_cast<std::uint32_t>(got));
                continue;
            }
        }
        // poll answered at once without data (a hang-up, an error, a closed
        // descriptor): rest the pass's millisecond rather than spin.
        std::this_thread::sleep_for(kPass);
    }
}

void SerialPort::Append(const std::uint8_t* chunk, std::uint32_t length) {
    {
        std::lock_guard guard(lock);
        const std::uint32_t held = count.load();
        const std::uint32_t taken = std::min(length, capacity - held);
        std::memcpy(buffer.get() + held, chunk, taken);
        count = held + taken;
    }
    arrived.notify_all();
}

std::uint32_t SerialPort::Read(void* destination, std::uint32_t length, bool waitForAll,
                               std::uint32_t timeoutMs) {
    if (destination == nullptr || length == 0) {
        return 0;
    }
    const bool limited = timeoutMs != kNoTimeLimit;
    const std::uint32_t start = limited ? platform::TickCount() : 0;
    std::unique_lock guard(lock);
    if (waitForAll) {
        // Once the buffer is full nothing more can come in, so a read for more
        // than it holds ends there instead of waiting for ever.
        while (count < length && count < capacity) {
            // Unsigned difference: right across the counter's wrap, and an
            // elapsed time equal to the limit still waits.
            if (limited && platform::TickCount() - start > timeoutMs) {
                break;
            }
            arrived.wait_for(guard, kPass);
        }
    }
    const std::uint32_t held = count.load();
    const std::uint32_t delivered = std::min(held, length);
    std::memcpy(destination, buffer.get(), delivered);
    std::memmove(buffer.get(), buffer.get() + delivered, held - delivered);
    count = held - delivered;
    return delivered;
}

bool SerialPort::ResizeBuffer(std::uint32_t newCapacity) {
    if (newCapacity == 0) {
        return false;
    }
    // The old buffer and what it holds stay when no memory is to be had.
    std::unique_ptr<std::uint8_t[]> other(new (std::nothrow) std::uint8_t[newCapacity]);
    if (!other) {
        return false;
    }
    {
        std::lock_guard guard(lock);
        buffer.swap(other);
        capacity = newCapacity;
        count = 0;
    }
    return true;
}

bool SerialPort::ClearBuffer() {
    std::lock_guard guard(lock);
    count = 0;
    return true;
}

bool SerialPort::IsBufferEmpty() {
    return count.load() == 0;
}

std::uint32_t SerialPort::BufferCount() {
    return count.load();
}
