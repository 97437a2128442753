#pragma once

#include "Pacer.h"
#include "StopSignal.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace camsim {

enum class LineStatus { Done, TimedOut, Stopped, Failed };

// The camera's end of the line: a non-blocking descriptor (the master of a
// pseudo-terminal, or a serial device), written at the pace of the line
// speed and read with time limits. Every wait looks at the stop signal at
// least every 10 ms.
class Line {
public:
    // The descriptor is switched to non-blocking mode; it stays the caller's.
    // bitsPerSecond <= 0 writes unpaced. A write that makes no progress for
    // writeStall fails (a receiver that never reads).
    Line(int fd, long bitsPerSecond, std::chrono::milliseconds writeStall, const StopSignal& stop);

    LineStatus Write(std::span<const std::uint8_t> bytes);
    // Reads exactly count bytes, appending to out what did arrive even when the
    // time runs out first. Never reads more than count.
    LineStatus Read(std::size_t count, std::chrono::milliseconds timeout,
                    std::vector<std::uint8_t>& out);
    // Appends whatever has already arrived, without waiting.
    void Drain(std::vector<std::uint8_t>& out);
    // Waits, ending early on a stop request.
    LineStatus Pause(std::chrono::milliseconds duration);

    std::size_t BytesWritten() const { return bytesWritten; }
    // The longest time the line stayed quiet between two of the camera's
    // writes since StartQuietWatch, an answer from the far end restarting
    // it: planned pauses and, on a loaded machine, the camera's own delays.
    void StartQuietWatch();
    std::chrono::milliseconds LongestQuiet() const;
    const std::string& Error() const { return error; }

private:
    // Waits for the descriptor to become ready for events, at most until
    // deadline and never longer than one stop-check slice.
    void WaitReady(short events, Pacer::Clock::time_point deadline);

    int fd = -1;
    Pacer pacer;
    std::chrono::milliseconds writeStall{0};
    const StopSignal& stop;
    std::size_t bytesWritten = 0;
    std::string error;
    Pacer::Clock::time_point quietSince{};
    Pacer::Clock::duration longestQuiet{0};
};

} // namespace camsim
