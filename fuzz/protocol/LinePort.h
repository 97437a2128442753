#pragma once

#include "ScriptedLine.h"
#include "serial/SerialPort.h"

#include <cstdint>
#include <stop_token>
#include <string>

// A serial port that is already open and has the scripted line behind it: no
// device, no reader thread, no waiting. Every read is passed to the line at
// once, whatever the time-out, and the line's stop is handed on to the run
// whose stop request the receiver polls.
class LinePort : public SerialPort {
public:
    LinePort(fuzzprotocol::ScriptedLine& line, std::stop_source& stop) : line(line), stop(stop) {}

    bool Open(std::int32_t, std::int32_t, const std::string&) override { return true; }
    bool IsOpen() override { return true; }
    bool Close() override { return true; }
    bool ClearBuffer() override { return true; }
    bool StartReader() override { return true; }
    void StopReader() override {}
    std::uint32_t Read(void* destination, std::uint32_t length, bool waitForAll,
                       std::uint32_t timeoutMs) override;
    std::uint32_t Write(const void* source, std::uint32_t length) override;
    bool WriteChar(std::uint8_t byte) override;

private:
    fuzzprotocol::ScriptedLine& line;
    std::stop_source& stop;
};
