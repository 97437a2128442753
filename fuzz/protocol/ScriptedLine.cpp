#include "ScriptedLine.h"

#include <algorithm>
#include <cstring>

namespace fuzzprotocol {

LineScript LineScript::From(std::span<const std::uint8_t, kSize> bytes) {
    LineScript script;
    script.maxChunk = bytes[0];
    script.emptyMask = bytes[1];
    script.stopAfterRead = bytes[2];
    script.shortWrite = bytes[3] & 0x7Fu;
    script.shortWriteTakes = bytes[3] >> 7;
    return script;
}

std::uint32_t ScriptedLine::Read(std::uint8_t* destination, std::uint32_t length) {
    if (length > kLargestRequest) {
        __builtin_trap(); // more than any header, block or check byte
    }
    LineEvent event;
    event.kind = LineEvent::Kind::Read;
    event.asked = length;
    if (length == 0) {
        events.push_back(std::move(event));
        return 0;
    }
    const std::uint32_t number = reads++;
    std::size_t n = 0;
    if (((script.emptyMask >> (number % 8)) & 1u) == 0) {
        n = std::min<std::size_t>(length, bytes.size() - position);
        if (script.maxChunk != 0) {
            n = std::min<std::size_t>(n, script.maxChunk);
        }
    }
    if (n > 0) {
        std::memcpy(destination, bytes.data() + position, n);
        position += n;
    }
    event.done = static_cast<std::uint32_t>(n);
    events.push_back(std::move(event));

    emptyInARow = n == 0 ? emptyInARow + 1 : 0;
    if (emptyInARow >= kEmptyReadsRaisingStop || reads == script.stopAfterRead) {
        stopRaised = true;
    }
    return static_cast<std::uint32_t>(n);
}

std::uint32_t ScriptedLine::TakeWrite(std::uint32_t length) {
    ++writes;
    return writes == script.shortWrite ? std::min(length, script.shortWriteTakes) : length;
}

std::uint32_t ScriptedLine::Write(const std::uint8_t* source, std::uint32_t length) {
    if (length > kLargestRequest) {
        __builtin_trap();
    }
    LineEvent event;
    event.kind = LineEvent::Kind::Write;
    event.asked = length;
    event.bytes.assign(source, source + length);
    event.done = TakeWrite(length);
    events.push_back(std::move(event));
    return events.back().done;
}

void ScriptedLine::WriteChar(std::uint8_t byte) {
    LineEvent event;
    event.kind = LineEvent::Kind::WriteChar;
    event.asked = 1;
    event.bytes = {byte};
    event.done = TakeWrite(1);
    events.push_back(std::move(event));
}

} // namespace fuzzprotocol
