#include "PictureTransfer.h"

#include "HexText.h"
#include "PictureHeader.h"
#include "PictureStore.h"
#include "WorkerRun.h"
#include "platform/File.h"
#include "serial/SerialPort.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <vector>

namespace {

constexpr std::uint32_t kHeaderReadTimeoutMs = 10;
constexpr std::uint32_t kDataReadTimeoutMs = 100;
constexpr int kEmptyReadsEndingABlock = 3;
constexpr int kRejectionsEndingAPicture = 3;
constexpr std::uint32_t kDefaultBlockSize = 100;
constexpr std::uint8_t kSyncFirstBinary = 0x55;
constexpr std::uint8_t kSyncFirstHex = 0xAA;

enum class Encoding { Binary, HexText };

using transfer::FailureCause;
using transfer::TransferResult;

// One call's worth of receiving: nothing survives between pictures except what
// stays in the port's receive buffer.
class Receiver {
public:
    Receiver(const WorkerRun& run, SerialPort& port) : run(run), port(port) {}

    TransferResult Run(const transfer::FileClaim& claim);

private:
    bool StopRequested() const { return run.StopRequested(); }
    // Waiting for more bytes ends on Stop, and when the line is lost, since
    // nothing more can come then.
    bool KeepWaiting() const { return !StopRequested() && !port.IsLineLost(); }

    bool FindSyncPair();
    bool ReadHeader(transfer::HeaderBytes& header);
    // Sends one acknowledgement; false only when a hex-text answer was short.
    bool Acknowledge(std::uint8_t value, bool urgent);
    // Why the picture fails, the first cause found counting; with the
    // system's words where there are some.
    void Fail(FailureCause cause, std::string detail = {});
    // A wait that ended without its bytes: why it ended.
    FailureCause WhyWaitEnded() const;
    void ShowProgress(std::uint32_t stored);
    // Reads n bytes (or characters) into `into` with the three-empty-reads
    // rule: a camera is silent for good only after three empty reads in a
    // row. Data bytes and check bytes wait alike, so that a check byte held
    // up behind a loaded machine's scheduler or a USB adapter's latency is
    // not taken for a missing one (and then for the start of the next block).
    std::uint32_t ReadPatiently(std::uint8_t* into, std::uint32_t n);
    // Reads the final check byte; false when none arrived whole.
    bool ReadFinalCheckByte(std::uint8_t& value);
    // Takes the blocks until the picture is whole or cannot become whole.
    void ReceiveData(transfer::PictureStore& store);
    // Everything after a valid header: the answer to it, the blocks, the
    // final check and the file.
    bool ReceivePicture(const transfer::FileClaim& claim, const transfer::HeaderBytes& headerBytes);

    const WorkerRun& run;
    SerialPort& port;
    std::optional<FailureCause> failure;
    std::string failureDetail;
    Encoding encoding = Encoding::Binary;
    std::array<std::uint8_t, 4096> headerBuffer{};
    std::uint32_t held = 0;
    transfer::PictureHeader header;
    std::vector<std::uint8_t> block;
    std::uint32_t stored = 0;
    std::uint8_t pictureValue = 0;
    std::string storedFile;
    std::vector<std::uint8_t> storedBytes;
};

bool Receiver::FindSyncPair() {
    for (;;) {
        if (!KeepWaiting()) {
            return false;
        }
        held += port.Read(headerBuffer.data() + held, transfer::kHeaderSize, true,
                          kHeaderReadTimeoutMs);
        std::uint32_t start = 0;
        while (start < held) {
            const std::uint8_t first = headerBuffer[start];
            if (first != kSyncFirstBinary && first != kSyncFirstHex) {
                ++start;
                continue;
            }
            if (start + 1 == held) {
                break; // a lone sync byte waits for the byte behind it
            }
            const std::uint8_t second = headerBuffer[start + 1];
            if (first == kSyncFirstBinary && second == kSyncFirstHex) {
                encoding = Encoding::Binary;
            } else if (first == kSyncFirstHex && second == kSyncFirstBinary) {
                encoding = Encoding::HexText;
            } else {
                ++start;
                continue;
            }
            // The bytes behind the pair are the start of the header.
            start += 2;
            std::copy(headerBuffer.begin() + start, headerBuffer.begin() + held,
                      headerBuffer.begin());
            held -= start;
            return true;
        }
        std::copy(headerBuffer.begin() + start, headerBuffer.begin() + held, headerBuffer.begin());
        held -= start;
    }
}

bool Receiver::ReadHeader(transfer::HeaderBytes& header) {
    const std::uint32_t needed =
        encoding == Encoding::HexText ? 2 * transfer::kHeaderSize : transfer::kHeaderSize;
    while (held < needed) {
        if (!KeepWaiting()) {
            return false;
        }
        held += port.Read(headerBuffer.data() + held, needed - held, true, kHeaderReadTimeoutMs);
    }
    if (encoding == Encoding::HexText) {
        transfer::DecodeHexPairs(headerBuffer.data(), needed, header.data());
    } else {
        std::copy(headerBuffer.begin(), headerBuffer.begin() + transfer::kHeaderSize,
                  header.begin());
    }
    return true;
}

bool Receiver::Acknowledge(std::uint8_t value, bool urgent) {
    if (encoding == Encoding::HexText) {
        const std::array<char, 2> text = transfer::FormatHexByte(value);
        return port.Write(text.data(), 2) >= 2;
    }
    if (urgent) {
        port.WriteChar(value);
    } else {
        port.Write(&value, 1);
    }
    return true;
}

void Receiver::Fail(FailureCause cause, std::string detail) {
    if (!failure) {
        failure = cause;
        failureDetail = std::move(detail);
    }
}

FailureCause Receiver::WhyWaitEnded() const {
    if (StopRequested()) {
        return FailureCause::Stopped;
    }
    return port.IsLineLost() ? FailureCause::LineLost : FailureCause::CutShort;
}

void Receiver::ShowProgress(std::uint32_t storedSoFar) {
    run.Tell(transfer::Progress{header.width, header.height, storedSoFar, header.dataSize});
}

std::uint32_t Receiver::ReadPatiently(std::uint8_t* into, std::uint32_t n) {
    std::uint32_t got = 0;
    int emptyReads = 0;
    while (got < n && KeepWaiting()) {
        const std::uint32_t delivered = port.Read(into + got, n - got, true, kDataReadTimeoutMs);
        if (delivered > 0) {
            got += delivered;
            emptyReads = 0;
        } else if (++emptyReads == kEmptyReadsEndingABlock) {
            break;
        }
    }
    return got;
}

bool Receiver::ReadFinalCheckByte(std::uint8_t& value) {
    std::array<std::uint8_t, 2> text{};
    const std::uint32_t wanted = encoding == Encoding::HexText ? 2 : 1;
    if (ReadPatiently(text.data(), wanted) < wanted) {
        return false;
    }
    value = encoding == Encoding::HexText
                ? transfer::ParseHexPair(static_cast<char>(text[0]), static_cast<char>(text[1]))
                : text[0];
    return true;
}

void Receiver::ReceiveData(transfer::PictureStore& store) {
    const bool hex = encoding == Encoding::HexText;
    const bool perBlockChecks = header.blockSize != 0 && header.checkFlag != 0;
    const bool perBlockAcks = header.blockSize != 0 && header.ackFlag != 0;
    const std::uint32_t blockLength = header.blockSize != 0 ? header.blockSize : kDefaultBlockSize;
    block.assign((blockLength + (perBlockChecks ? 1 : 0)) * (hex ? 2 : 1), 0);

    int rejectedInARow = 0;
    do {
        if (StopRequested()) {
            Fail(FailureCause::Stopped);
            return;
        }
        ShowProgress(stored);
        std::uint32_t n = std::min(blockLength, header.dataSize - stored);
        if (hex) {
            n *= 2;
        }
        std::uint32_t got = ReadPatiently(block.data(), n);
        if (StopRequested() || got < n) {
            Fail(WhyWaitEnded());
            return;
        }
        bool checkArrived = false;
        if (perBlockChecks) {
            const std::uint32_t wanted = hex ? 2 : 1;
            const std::uint32_t checkGot = ReadPatiently(block.data() + got, wanted);
            got += checkGot;
            checkArrived = checkGot == wanted;
        }
        const std::size_t count =
            hex ? transfer::DecodeHexPairs(block.data(), got, block.data()) : got;
        std::uint8_t blockValue = 0;
        for (std::size_t i = 0; i + 1 < count; ++i) {
            blockValue ^= block[i];
        }
        const std::uint8_t lastByte = count > 0 ? block[count - 1] : 0;
        pictureValue ^= static_cast<std::uint8_t>(blockValue ^ lastByte);

        if (perBlockAcks && !Acknowledge(blockValue, false)) {
            Fail(FailureCause::AnswerNotSent);
            return;
        }
        std::size_t accepted = count;
        if (perBlockChecks) {
            // A block whose check byte did not arrive whole is rejected: judged
            // by its own last data byte it would now and then pass, one byte
            // short, and the late check byte would open the next block.
            if (checkArrived && lastByte == blockValue) {
                rejectedInARow = 0;
                accepted = count - 1; // the check byte is not part of the picture
            } else {
                if (++rejectedInARow == kRejectionsEndingAPicture) {
                    Fail(FailureCause::BlocksRejected);
                    return;
                }
                continue; // the camera sends the same block again
            }
        }
        if (!store.Append(block.data(), accepted)) {
            return; // the store knows why
        }
        stored += static_cast<std::uint32_t>(accepted);
    } while (stored < header.dataSize);
}

TransferResult Receiver::Run(const transfer::FileClaim& claim) {
    run.Tell(transfer::WaitingForHeader{});
    TransferResult result;
    if (!FindSyncPair()) {
        return result;
    }
    transfer::HeaderBytes headerBytes{};
    if (!ReadHeader(headerBytes) || !transfer::HeaderChecksPass(headerBytes)) {
        return result;
    }
    header = transfer::DecodeHeader(headerBytes);
    result.kind = header.pictureKind;
    result.width = header.width;
    result.height = header.height;
    result.bytes = header.dataSize;

    const auto begun = std::chrono::steady_clock::now();
    const bool good = ReceivePicture(claim, headerBytes);
    result.figures.payloadBytes = stored;
    result.figures.took = std::chrono::duration_cast<std::chrono::microseconds>(
        std::chrono::steady_clock::now() - begun);
    if (good) {
        result.outcome = TransferResult::Outcome::Stored;
        result.file = storedFile;
        result.fileBytes = std::move(storedBytes);
    } else {
        result.outcome = TransferResult::Outcome::Failed;
        result.why = failure.value_or(FailureCause::CutShort);
        result.detail = failureDetail;
    }
    return result;
}

bool Receiver::ReceivePicture(const transfer::FileClaim& claim,
                              const transfer::HeaderBytes& headerBytes) {
    if (header.ackFlag != 0 && !Acknowledge(transfer::HeaderXor(headerBytes), true)) {
        Fail(FailureCause::AnswerNotSent);
        return false;
    }

    transfer::PictureStore store;
    // A file that could not be created is not this picture's to delete: it
    // may be another program's.
    if (!store.Create(claim, header.pictureKind, header.width, header.height)) {
        Fail(FailureCause::FileNotCreated, store.FailureDetail());
        return false;
    }

    ReceiveData(store);
    // Everything received is on disk before the camera hears that it arrived.
    const bool writeFailed = !store.Flush();
    bool complete = !writeFailed && stored == header.dataSize;
    if (stored == header.dataSize && header.blockSize == 0 && header.checkFlag != 0) {
        std::uint8_t finalCheck = 0;
        const bool arrived = ReadFinalCheckByte(finalCheck);
        if (!arrived) {
            Fail(WhyWaitEnded());
        } else if (finalCheck != pictureValue) {
            Fail(FailureCause::FinalCheckFailed);
        }
        complete = complete && arrived && finalCheck == pictureValue;
    }
    // A picture that could not be stored gets no final answer: the camera
    // must not take it as delivered.
    if (header.ackFlag != 0 && !writeFailed && !Acknowledge(pictureValue, true)) {
        store.CloseAsIs();
        Fail(FailureCause::AnswerNotSent);
        return false;
    }
    block.clear();
    block.shrink_to_fit();
    if (!store.Finish()) {
        complete = false;
    }
    if (const auto storeFailure = store.Failure()) {
        Fail(*storeFailure, store.FailureDetail());
    }
    if (StopRequested()) {
        Fail(FailureCause::Stopped);
    }
    if (StopRequested() || !complete) {
        platform::DeleteFile(store.FileName());
        return false;
    }
    storedFile = store.FileName();
    storedBytes = store.TakeFileBytes();
    return true;
}

} // namespace

transfer::TransferResult PictureTransfer(const WorkerRun& run, SerialPort& port,
                                         const transfer::FileClaim& claim) {
    Receiver receiver(run, port);
    return receiver.Run(claim);
}

transfer::TransferResult PictureTransfer(const WorkerRun& run, SerialPort& port,
                                         const std::string& fileName) {
    return PictureTransfer(run, port, [&fileName](platform::File& file) {
        return file.Create(fileName) ? std::optional<std::string>(fileName) : std::nullopt;
    });
}
