#pragma once

#include "platform/NoCopy.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace camsimtest {

using Bytes = std::vector<std::uint8_t>;
using namespace std::chrono_literals;

// The receiver's end of a line, played by hand in a test: raw reads with
// time limits and raw writes on a terminal device (a pseudo-terminal's slave).
class LineEnd : private platform::NoCopy {
public:
    explicit LineEnd(const std::string& path);
    // Works on a descriptor that stays its owner's (switched to non-blocking).
    explicit LineEnd(int borrowed);
    ~LineEnd();

    bool IsOpen() const { return fd >= 0; }
    // Up to count bytes: fewer only when the limit ran out first.
    Bytes Read(std::size_t count, std::chrono::milliseconds limit = 5s);
    // Exactly count bytes; throws (failing the test) when fewer arrive.
    Bytes ReadExactly(std::size_t count, std::chrono::milliseconds limit = 5s);
    // The count bytes a test expects (waiting generously for them) and any
    // that follow at once: a slow machine cannot cut the wire short.
    Bytes ReadExpected(std::size_t count);
    // Everything until nothing has come for quiet (or limit has passed).
    Bytes ReadUntilQuiet(std::chrono::milliseconds quiet, std::chrono::milliseconds limit = 10s);
    void Write(const Bytes& bytes);
    void Write(std::string_view text);

private:
    int fd = -1;
    bool owned = true;
};

Bytes ToBytes(std::string_view text);
std::string ToText(const Bytes& bytes);
// A repeatable pattern of data bytes that covers every value.
Bytes Pattern(std::size_t size, std::uint8_t seed = 7);
std::uint8_t XorOf(const Bytes& bytes, std::size_t from = 0, std::size_t count = SIZE_MAX);

} // namespace camsimtest
