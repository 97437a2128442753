#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace fuzzprotocol {

// How the line behaves, taken from the first bytes of a fuzz input.
struct LineScript {
    static constexpr std::size_t kSize = 4;

    // Most bytes one read delivers; 0 for no limit beyond the request.
    std::uint32_t maxChunk = 0;
    // Read number i (counting from 0) delivers nothing when bit i % 8 is set.
    std::uint8_t emptyMask = 0;
    // The stop is raised right after this read (counting from 1); 0 never.
    std::uint32_t stopAfterRead = 0;
    // This write (counting from 1, WriteChar included) is short; 0 never.
    std::uint32_t shortWrite = 0;
    // How many bytes the short write takes (0 or 1).
    std::uint32_t shortWriteTakes = 0;

    static LineScript From(std::span<const std::uint8_t, kSize> bytes);
};

// One thing the receiver did with the line, in order.
struct LineEvent {
    enum class Kind { Read, Write, WriteChar };
    Kind kind = Kind::Read;
    std::uint32_t asked = 0;         // length asked to read or offered to write
    std::uint32_t done = 0;          // bytes delivered or taken
    std::vector<std::uint8_t> bytes; // what was offered to write

    bool operator==(const LineEvent&) const = default;
};

// The far end of a serial line, played from a fixed byte sequence without any
// waiting: a read answers at once with what the script lets through, and the
// stop is raised once four reads in a row have delivered nothing (at the end
// of the bytes that always happens) or after the read the script names. Two
// lines made from the same script and bytes answer the same sequence of
// requests in the same way.
class ScriptedLine {
public:
    // Reads and writes beyond this are never asked for: a block of the largest
    // size with its check byte, in characters.
    static constexpr std::uint32_t kLargestRequest = 2 * (65535 + 1);
    static constexpr int kEmptyReadsRaisingStop = 4;

    ScriptedLine(const LineScript& script, std::span<const std::uint8_t> bytes)
        : script(script), bytes(bytes) {}

    std::uint32_t Read(std::uint8_t* destination, std::uint32_t length);
    std::uint32_t Write(const std::uint8_t* source, std::uint32_t length);
    void WriteChar(std::uint8_t byte);

    bool StopRaised() const { return stopRaised; }
    std::size_t Consumed() const { return position; }
    bool Exhausted() const { return position == bytes.size(); }
    const std::vector<LineEvent>& Events() const { return events; }

private:
    std::uint32_t TakeWrite(std::uint32_t length);

    LineScript script;
    std::span<const std::uint8_t> bytes;
    std::size_t position = 0;
    std::uint32_t reads = 0;
    std::uint32_t writes = 0;
    int emptyInARow = 0;
    bool stopRaised = false;
    std::vector<LineEvent> events;
};

} // namespace fuzzprotocol
