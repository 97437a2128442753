#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "LineSettings.h"

// One COM port with a reader thread of its own that moves every arriving byte
// into a fixed receive buffer; callers take bytes out with a timed read. All
// operations are virtual so that tests and the protocol's fuzzer can stand in
// for the device.
class SerialPort {
public:
    static constexpr std::uint32_t kDefaultCapacity = 10000;
    static constexpr std::uint32_t kNoTimeLimit = 0xFFFFFFFFu;

    SerialPort();
    virtual ~SerialPort();
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

    virtual bool Open(std::int32_t port, std::int32_t speed, const std::string& format);
    virtual bool IsOpen();
    virtual bool Close();
    virtual bool Reopen(std::int32_t speed, const std::string& format);
    virtual bool SetState(const LineSettings& settings);
    virtual std::uint32_t Read(void* destination, std::uint32_t length, bool waitForAll,
                               std::uint32_t timeoutMs);
    virtual std::uint32_t Write(const void* source, std::uint32_t length);
    virtual void StopReader();
    virtual bool StartReader();
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

    // The device that COM port n stands for, and the reason the last Open
    // failed (empty after a success); for messages to the operator.
    std::string LastOpenError() const;

    // (the implementation's private members follow)
};
