#pragma once

#include "platform/NoCopy.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "LineSettings.h"
#include "PortNames.h"
#include "platform/TickCount.h"

// One COM port with a reader thread of its own that moves every arriving byte
// into a fixed receive buffer; callers take bytes out with a timed read. All
// operations are virtual so that tests and the protocol's fuzzer can stand in
// for the device.
class SerialPort : private platform::NoCopy {
public:
    static constexpr std::uint32_t kDefaultCapacity = 10000;
    static constexpr std::uint32_t kNoTimeLimit = 0xFFFFFFFFu;

    SerialPort();
    virtual ~SerialPort();

    virtual bool Open(std::int32_t port, std::int32_t speed, const std::string& format);
    // Opens a device by its path instead of a COM name, for a camera whose
    // name under /dev/serial/by-id stays the same wherever it is plugged in.
    virtual bool OpenDevice(const std::string& path, std::int32_t speed, const std::string& format);
    virtual bool IsOpen();
    virtual bool Close();
    virtual bool Reopen(std::int32_t speed, const std::string& format);
    virtual bool SetState(const LineSettings& settings);
    // Takes up to length bytes from the receive buffer, oldest first. With
    // waitForAll it first waits until length bytes are there, the buffer is
    // full, or more than timeoutMs (kNoTimeLimit: no limit) have passed.
    virtual std::uint32_t Read(void* destination, std::uint32_t length, bool waitForAll,
                               std::uint32_t timeoutMs);
    virtual std::uint32_t Write(const void* source, std::uint32_t length);
    virtual void StopReader();
    virtual bool StartReader();
    // Replaces the receive buffer by an empty one of the new capacity; false,
    // with the old buffer and its bytes kept, for 0 or when memory is short.
    virtual bool ResizeBuffer(std::uint32_t capacity);
    virtual bool WriteChar(std::uint8_t byte);
    virtual std::uint32_t Reserved(std::uint32_t value);
    virtual bool ClearBuffer();
    virtual bool IsBufferEmpty();
    virtual std::uint32_t BufferCount();
    virtual bool SetDtr();
    virtual bool ClearDtr();
    virtual bool IsDsrOn();
    virtual bool SetRts();
    virtual bool ClearRts();
    virtual bool IsCtsOn();
    virtual int Handle();
    virtual bool Configure(std::int32_t speed, const std::string& format);

    // Whether the open device hung up or failed (an unplugged adapter, a far
    // end that closed its pseudo-terminal). The reader has stopped then, and
    // only a Close and a new Open bring the line back.
    virtual bool IsLineLost();

    // The device that COM port n stands for, and the reason the last Open
    // failed (empty after a success); for messages to the operator.
    std::string LastOpenError() const;
    // The port, its device and why the line was lost; empty while it is not.
    std::string LineLostReason() const;
    // The COM name and device of the port last opened: "COM1 (/dev/ttyUSB0)".
    std::string PortDescription() const;

    // The millisecond counter that timed reads measure their limit on; set
    // before the port is read from.
    void SetTickClock(platform::TickClock clock) { ticks = clock; }

private:
    bool OpenResolved(const serial::PortDevice& device, std::int32_t speed,
                      const std::string& format);
    // The name of what this object has open, for the refusal of another open.
    std::string OpenName() const;
    void ReaderLoop(int stopSignal);
    void CloseWakeup();
    // Waits until the buffer has room; the room, or 0 when the reader is to
    // stop. While the buffer is full the bytes stay in the driver, which holds
    // the sender back, instead of being read and dropped.
    std::uint32_t WaitForRoom();
    // Appends a chunk from the driver; the reader never reads more than the
    // buffer has room for.
    void Append(const std::uint8_t* chunk, std::uint32_t length);
    void MarkLineLost(const std::string& reason);
    // Writes length bytes, waiting for room in the driver for at most
    // limitMs in all; the number written.
    std::uint32_t WriteWithin(const void* source, std::uint32_t length, std::uint64_t limitMs);
    bool ChangeLine(int line, bool raise);
    bool IsLineOn(int line);
    void SetOpenError(std::string text);
    // Bytes that arrived at the device and wait there for the reader.
    std::uint32_t BytesInTheDevice() const;

    // The reader thread and the request for it to end, which is also
    // signalled on wakeup (an eventfd, -1 if none could be had) so that an
    // idle reader need not look at the flag every millisecond.
    std::thread reader;
    std::atomic<bool> stopRequested{false};
    int wakeup = -1;
    // The open device; -1 while closed. The reader reads from it while the
    // owner writes to it.
    std::atomic<int> descriptor{-1};
    platform::TickClock ticks;

    // The receive buffer, a ring: count bytes from head on, oldest first,
    // wrapping at capacity. Contents, head, capacity and changes of count are
    // guarded by lock; count alone may be read without it. A buffer that
    // cannot be had leaves the capacity 0, and Open then refuses.
    std::unique_ptr<std::uint8_t[]> buffer{new (std::nothrow) std::uint8_t[kDefaultCapacity]};
    std::uint32_t capacity = buffer ? kDefaultCapacity : 0;
    std::uint32_t head = 0;
    std::atomic<std::uint32_t> count{0};
    // How many bytes a waiting Read waits for; 0 while none waits.
    std::uint32_t wanted = 0;
    std::mutex lock;
    // Signalled when a waiting Read can end: its bytes arrived, the buffer
    // filled, or the line was lost.
    std::condition_variable arrived;
    // Signalled when bytes leave a full buffer, and on a stop request.
    std::condition_variable roomMade;

    std::atomic<bool> lineLost{false};
    // The port last opened, for messages and Reopen; never cleared.
    serial::PortDevice opened;
    // Its COM number; 0 when it was opened by its path.
    std::int32_t portNumber = 0;
    std::int32_t speed = 0;

    // Why Configure last failed, for the open error (owner thread only).
    std::string configureProblem;
    // The texts for the operator; the reader writes lostReason.
    mutable std::mutex reasonLock;
    std::string openError;
    std::string lostReason;
};
