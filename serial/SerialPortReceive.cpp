// The receive side of the port: the reader thread that moves arriving bytes
// into the buffer, and the timed read that takes them out.
#include "SerialPort.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <new>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <system_error>
#include <unistd.h>

namespace {

constexpr std::size_t kChunkSize = 4096;
constexpr auto kPass = std::chrono::milliseconds(1);
constexpr int kPassMs = 1;
constexpr int kIdlePassMs = 100;

} // namespace

bool SerialPort::StartReader() {
    if (reader.joinable()) {
        return true;
    }
    stopRequested = false;
    lineLost = false;
    {
        std::lock_guard guard(reasonLock);
        lostReason.clear();
    }
    // Without a wake-up the reader still works, looking at the flag each pass.
    wakeup = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    try {
        reader = std::thread(&SerialPort::ReaderLoop, this, wakeup);
    } catch (const std::system_error&) {
        CloseWakeup();
        return false;
    }
    return true;
}

void SerialPort::StopReader() {
    if (!reader.joinable()) {
        return;
    }
    {
        // Under the lock, so that a reader about to wait for room sees it.
        std::lock_guard guard(lock);
        stopRequested = true;
    }
    roomMade.notify_all();
    if (wakeup >= 0) {
        const std::uint64_t one = 1;
        [[maybe_unused]] const auto ignored = ::write(wakeup, &one, sizeof one);
    }
    reader.join();
    CloseWakeup();
}

void SerialPort::CloseWakeup() {
    if (wakeup >= 0) {
        ::close(wakeup);
        wakeup = -1;
    }
}

void SerialPort::ReaderLoop(int stopSignal) {
    std::array<std::uint8_t, kChunkSize> chunk;
    for (;;) {
        const std::uint32_t room = WaitForRoom();
        if (room == 0) {
            return;
        }
        const int device = descriptor.load();
        pollfd watched[2] = {{device, POLLIN, 0}, {stopSignal, POLLIN, 0}};
        // Arriving bytes and the stop request both end the wait, so an open
        // port with a wake-up need not wake every millisecond to look at the
        // flag; the long pass only bounds the wait for a descriptor that was
        // swapped underneath. Otherwise a pass is 1 ms.
        const int passMs = device >= 0 && stopSignal >= 0 ? kIdlePassMs : kPassMs;
        const int ready = ::poll(watched, 2, passMs);
        if (ready == 0 && device >= 0) {
            // A quiet pass still asks the device once: a terminal's read
            // pushes bytes the kernel still holds on their way to it, which
            // on a loaded machine may otherwise wait there until more come.
            const auto got =
                ::read(device, chunk.data(), std::min<std::size_t>(chunk.size(), room));
            if (got > 0) {
                Append(chunk.data(), static_cast<std::uint32_t>(got));
            }
            continue;
        }
        if (ready == 0 || (ready > 0 && watched[1].revents != 0)) {
            continue;
        }
        const short events = ready > 0 ? watched[0].revents : 0;
        if ((events & POLLIN) != 0) {
            const auto got =
                ::read(device, chunk.data(), std::min<std::size_t>(chunk.size(), room));
            if (got > 0) {
                Append(chunk.data(), static_cast<std::uint32_t>(got));
                continue;
            }
            if (got < 0 && (errno == EIO || errno == ENXIO || errno == ENODEV)) {
                MarkLineLost(std::strerror(errno));
                return;
            }
        }
        // A hang-up or error with nothing left to read: the device is gone or
        // its far end closed. Reading on would only spin, so the reader ends.
        if ((events & (POLLHUP | POLLERR | POLLNVAL)) != 0) {
            MarkLineLost((events & POLLHUP) != 0 ? "the device hung up" : "the device failed");
            return;
        }
        // poll answered without data (an interruption, a read that raced):
        // rest 1 ms rather than spin; a stop ends the rest.
        pollfd rest{stopSignal, POLLIN, 0};
        ::poll(&rest, 1, kPassMs);
    }
}

std::uint32_t SerialPort::WaitForRoom() {
    std::unique_lock guard(lock);
    roomMade.wait(guard, [this] { return stopRequested.load() || count.load() < capacity; });
    return stopRequested.load() ? 0 : capacity - count.load();
}

void SerialPort::Append(const std::uint8_t* chunk, std::uint32_t length) {
    {
        std::lock_guard guard(lock);
        const std::uint32_t held = count.load();
        const std::uint32_t taken = std::min(length, capacity - held);
        const std::uint32_t tail = (head + held) % std::max(capacity, 1u);
        const std::uint32_t first = std::min(taken, capacity - tail);
        std::memcpy(buffer.get() + tail, chunk, first);
        std::memcpy(buffer.get(), chunk + first, taken - first);
        count = held + taken;
        // Only a read that can now end is woken (see Read).
        const std::uint32_t waitingFor = wanted;
        if (waitingFor == 0 || (held + taken < waitingFor && held + taken < capacity)) {
            return;
        }
    }
    arrived.notify_all();
}

void SerialPort::MarkLineLost(const std::string& reason) {
    {
        std::lock_guard guard(reasonLock);
        lostReason = reason;
    }
    {
        std::lock_guard guard(lock);
        lineLost = true;
    }
    arrived.notify_all();
}

std::uint32_t SerialPort::BytesInTheDevice() const {
    int held = 0;
    if (::ioctl(descriptor.load(), FIONREAD, &held) != 0 || held < 0) {
        return 0;
    }
    return static_cast<std::uint32_t>(held);
}

bool SerialPort::IsLineLost() {
    return lineLost.load();
}

std::uint32_t SerialPort::Read(void* destination, std::uint32_t length, bool waitForAll,
                               std::uint32_t timeoutMs) {
    if (destination == nullptr || length == 0) {
        return 0;
    }
    const bool limited = timeoutMs != kNoTimeLimit;
    const std::uint32_t start = limited ? ticks.Now() : 0;
    std::unique_lock guard(lock);
    if (waitForAll) {
        // The reader wakes this read only once it can end: its bytes are
        // there, the buffer is full (nothing more can come in), or the line
        // is lost (nothing more will). A wake-up per arriving chunk would
        // cost a thread switch each for nothing.
        wanted = length;
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (count < length && count < capacity && !lineLost.load()) {
            // Unsigned difference: right across the counter's wrap, and an
            // elapsed time equal to the limit still waits.
            if (limited && ticks.Now() - start > timeoutMs) {
                // The limit is for a silent line. Bytes the device holds
                // that the reader has not taken yet (its thread had no turn
                // on a loaded machine) are no silence: the read waits for
                // the reader to take them.
                if (count.load() == 0 && !stopRequested.load() && reader.joinable() &&
                    BytesInTheDevice() > 0) {
                    arrived.wait_for(guard, kPass);
                    continue;
                }
                break;
            }
            if (!limited) {
                arrived.wait(guard);
            } else if (std::chrono::steady_clock::now() < deadline) {
                arrived.wait_until(guard, deadline);
            } else {
                arrived.wait_for(guard, kPass); // the tick that ends the wait is near
            }
        }
        wanted = 0;
    }
    const std::uint32_t held = count.load();
    const std::uint32_t delivered = std::min(held, length);
    if (delivered == 0) {
        return 0;
    }
    auto* out = static_cast<std::uint8_t*>(destination);
    const std::uint32_t first = std::min(delivered, capacity - head);
    std::memcpy(out, buffer.get() + head, first);
    std::memcpy(out + first, buffer.get(), delivered - first);
    const bool wasFull = held == capacity;
    count = held - delivered;
    head = count == 0 ? 0 : (head + delivered) % capacity;
    guard.unlock();
    if (wasFull) {
        roomMade.notify_all();
    }
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
        head = 0;
        count = 0;
    }
    roomMade.notify_all();
    return true;
}

bool SerialPort::ClearBuffer() {
    {
        std::lock_guard guard(lock);
        head = 0;
        count = 0;
    }
    roomMade.notify_all();
    return true;
}

bool SerialPort::IsBufferEmpty() {
    return count.load() == 0;
}

std::uint32_t SerialPort::BufferCount() {
    return count.load();
}
