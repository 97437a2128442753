#include "ReferenceReceiver.h"

#include "transfer/PictureStore.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace fuzzprotocol {

namespace {

constexpr std::uint32_t kHeaderBytes = 19;
constexpr std::uint32_t kBlockWithoutSize = 100;
constexpr int kEmptyReadsEndingABlock = 3;
constexpr int kRejectionsEndingAPicture = 3;

// A pair of hex-text characters, read as strtoul reads them alone.
std::uint8_t PairValue(std::uint8_t high, std::uint8_t low) {
    const char text[3] = {static_cast<char>(high), static_cast<char>(low), '\0'};
    return static_cast<std::uint8_t>(std::strtoul(text, nullptr, 16));
}

std::vector<std::uint8_t> Decode(const std::vector<std::uint8_t>& arrived, bool hex) {
    if (!hex) {
        return arrived;
    }
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i + 1 < arrived.size(); i += 2) {
        bytes.push_back(PairValue(arrived[i], arrived[i + 1]));
    }
    return bytes;
}

std::uint8_t XorOf(const std::vector<std::uint8_t>& bytes) {
    std::uint8_t value = 0;
    for (const std::uint8_t b : bytes) {
        value ^= b;
    }
    return value;
}

bool IsPair(std::uint8_t first, std::uint8_t second) {
    return (first == 0x55 && second == 0xAA) || (first == 0xAA && second == 0x55);
}

// Sends one answer; false when a hex-text answer did not go out whole.
bool Answer(ScriptedLine& line, std::uint8_t value, bool hex, bool asWriteChar) {
    if (hex) {
        char text[3];
        std::snprintf(text, sizeof text, "%.2X", static_cast<unsigned>(value));
        const std::uint8_t chars[2] = {static_cast<std::uint8_t>(text[0]),
                                       static_cast<std::uint8_t>(text[1])};
        return line.Write(chars, 2) >= 2;
    }
    if (asWriteChar) {
        line.WriteChar(value);
    } else {
        line.Write(&value, 1);
    }
    return true;
}

using transfer::FailureCause;
using Outcome = transfer::TransferResult::Outcome;

// The first cause met is the one the picture fails for.
void Fail(Expected& out, FailureCause cause) {
    if (!out.why) {
        out.why = cause;
    }
}

// A wait for bytes that ended without them.
FailureCause WhyWaitEnded(const ScriptedLine& line) {
    return line.StopRaised() ? FailureCause::Stopped : FailureCause::CutShort;
}

// Data and check bytes alike: reads until n have come, a stop is raised, or
// three reads in a row brought nothing.
std::uint32_t ReadPatiently(ScriptedLine& line, std::uint8_t* into, std::uint32_t n) {
    std::uint32_t have = 0;
    int emptyInARow = 0;
    while (have < n && !line.StopRaised()) {
        const std::uint32_t got = line.Read(into + have, n - have);
        have += got;
        emptyInARow = got == 0 ? emptyInARow + 1 : 0;
        if (emptyInARow == kEmptyReadsEndingABlock) {
            break;
        }
    }
    return have;
}

} // namespace

std::uint64_t BitmapRowBytes(std::uint16_t width) {
    return (std::uint64_t{width} + 3) / 4 * 4;
}

Expected ReferenceReceive(ScriptedLine& line, bool fileCanBeCreated) {
    Expected out;
    out.events.push_back(transfer::WaitingForHeader{});

    // The pair: the first place in what arrived where one stands. Everything
    // before it goes, except a sync byte at the very end, which may be the
    // first half of a pair still on its way.
    std::vector<std::uint8_t> pending;
    bool hex = false;
    for (;;) {
        if (line.StopRaised()) {
            return out;
        }
        std::uint8_t chunk[kHeaderBytes];
        const std::uint32_t got = line.Read(chunk, kHeaderBytes);
        pending.insert(pending.end(), chunk, chunk + got);
        std::size_t at = 0;
        while (at + 1 < pending.size() && !IsPair(pending[at], pending[at + 1])) {
            ++at;
        }
        if (at + 1 < pending.size()) {
            hex = pending[at] == 0xAA;
            pending.erase(pending.begin(), pending.begin() + static_cast<std::ptrdiff_t>(at + 2));
            break;
        }
        const bool keepLast =
            !pending.empty() && (pending.back() == 0x55 || pending.back() == 0xAA);
        pending.erase(pending.begin(), pending.end() - (keepLast ? 1 : 0));
    }

    const std::uint32_t unit = hex ? 2 : 1;
    const std::size_t headerLength = kHeaderBytes * unit;
    if (pending.size() > headerLength) {
        __builtin_trap(); // the search would have taken bytes behind the header
    }
    while (pending.size() < headerLength) {
        if (line.StopRaised()) {
            return out;
        }
        std::vector<std::uint8_t> more(headerLength - pending.size());
        const std::uint32_t got = line.Read(more.data(), static_cast<std::uint32_t>(more.size()));
        pending.insert(pending.end(), more.begin(), more.begin() + got);
    }
    const std::vector<std::uint8_t> header = Decode(pending, hex);
    std::uint8_t sum = 0;
    std::uint8_t exclusive = 0;
    for (std::size_t i = 0; i < 17; ++i) {
        sum = static_cast<std::uint8_t>(sum + header[i]);
        exclusive ^= header[i];
    }
    if (sum != header[17] || exclusive != header[18]) {
        return out;
    }
    const auto word = [&](std::size_t at) {
        return static_cast<std::uint16_t>(header[at] * 256 + header[at + 1]);
    };
    const std::uint16_t width = word(0);
    const std::uint16_t height = word(2);
    const std::uint32_t dataSize = static_cast<std::uint32_t>(word(4)) << 16 | word(6);
    const bool bitmap = header[8] == 0;
    const std::uint16_t blockSize = word(12);
    const bool checkFlag = header[14] != 0;
    const bool ackFlag = word(15) != 0;

    // From here on a picture has begun: it is stored or it fails.
    out.outcome = Outcome::Failed;
    if (ackFlag && !Answer(line, exclusive, hex, true)) {
        Fail(out, FailureCause::AnswerNotSent);
        return out;
    }
    if (!fileCanBeCreated) {
        out.file = Expected::File::Absent;
        Fail(out, FailureCause::FileNotCreated);
        return out;
    }
    out.bitmap = bitmap;
    out.width = width;
    out.height = height;
    out.dataSize = dataSize;
    const bool pixelsCanBeHad =
        !bitmap || BitmapRowBytes(width) * height <= transfer::PictureStore::kMaxPixelBytes;

    const bool blockChecks = blockSize != 0 && checkFlag;
    const bool blockAnswers = blockSize != 0 && ackFlag;
    const std::uint32_t blockLength = blockSize != 0 ? blockSize : kBlockWithoutSize;
    std::uint32_t stored = 0;
    std::uint8_t pictureValue = 0;
    int rejectedInARow = 0;
    bool storeFailed = false;
    for (;;) {
        if (line.StopRaised()) {
            Fail(out, FailureCause::Stopped);
            break;
        }
        out.events.push_back(transfer::Progress{width, height, stored, dataSize});

        const std::size_t wanted = std::min(blockLength, dataSize - stored) * unit;
        std::vector<std::uint8_t> arrived(wanted);
        const std::size_t have =
            ReadPatiently(line, arrived.data(), static_cast<std::uint32_t>(wanted));
        if (line.StopRaised() || have < wanted) {
            Fail(out, WhyWaitEnded(line));
            break;
        }
        bool checkArrived = false;
        if (blockChecks) {
            std::uint8_t check[2] = {};
            const std::uint32_t got = ReadPatiently(line, check, unit);
            arrived.insert(arrived.end(), check, check + got);
            checkArrived = got == unit;
        }
        std::vector<std::uint8_t> bytes = Decode(arrived, hex);
        const std::uint8_t all = XorOf(bytes);
        const std::uint8_t allButLast = bytes.empty() ? 0 : all ^ bytes.back();
        pictureValue ^= all;
        if (blockAnswers && !Answer(line, allButLast, hex, false)) {
            Fail(out, FailureCause::AnswerNotSent);
            break;
        }
        if (blockChecks) {
            // Only a check byte that arrived whole can let a block through.
            if (!checkArrived || bytes.back() != allButLast) {
                if (++rejectedInARow == kRejectionsEndingAPicture) {
                    Fail(out, FailureCause::BlocksRejected);
                    break;
                }
                if (stored >= dataSize) {
                    break; // an empty picture has no block to send again
                }
                continue; // the same block once more
            }
            rejectedInARow = 0;
            bytes.pop_back();
        }
        if (!pixelsCanBeHad) {
            storeFailed = true;
            Fail(out, FailureCause::PixelMemoryRefused);
            break;
        }
        out.data.insert(out.data.end(), bytes.begin(), bytes.end());
        stored += static_cast<std::uint32_t>(bytes.size());
        if (stored >= dataSize) {
            break;
        }
    }

    bool complete = !storeFailed && stored == dataSize;
    if (stored == dataSize && blockSize == 0 && checkFlag) {
        std::uint8_t check[2] = {};
        if (ReadPatiently(line, check, unit) < unit) {
            complete = false;
            Fail(out, WhyWaitEnded(line));
        } else if ((hex ? PairValue(check[0], check[1]) : check[0]) != pictureValue) {
            complete = false;
            Fail(out, FailureCause::FinalCheckFailed);
        }
    }
    // A picture that could not be stored gets no final answer.
    if (ackFlag && !storeFailed && !Answer(line, pictureValue, hex, true)) {
        out.file = Expected::File::LeftAsWritten;
        Fail(out, FailureCause::AnswerNotSent);
        return out;
    }
    if (line.StopRaised()) {
        Fail(out, FailureCause::Stopped);
    }
    if (!pixelsCanBeHad || line.StopRaised() || !complete) {
        out.file = Expected::File::Absent;
        return out;
    }
    out.outcome = Outcome::Stored;
    out.why.reset();
    out.file = Expected::File::Kept;
    return out;
}

} // namespace fuzzprotocol
