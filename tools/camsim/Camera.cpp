#include "Camera.h"

#include "WireFormat.h"

#include <algorithm>
#include <optional>

namespace camsim {

namespace {

Outcome OutcomeOfLine(LineStatus status, Outcome timedOut) {
    switch (status) {
    case LineStatus::Stopped:
        return Outcome::Stopped;
    case LineStatus::Failed:
        return Outcome::WriteFailed;
    case LineStatus::TimedOut:
    case LineStatus::Done:
        break;
    }
    return timedOut;
}

} // namespace

// The state of one picture on its way out.
class Camera::Transfer {
public:
    Transfer(Camera& camera, const OutgoingPicture& picture, SendResult& result)
        : camera(camera), picture(picture), result(result) {}

    void Run();

private:
    // Each step returns false when the picture has ended; result.outcome then
    // says why.
    bool SendHeader();
    bool SendBlock(std::uint32_t index, const BlockBounds& bounds);
    bool SendFinalCheck();
    LineStatus ReadFinalAck();
    LineStatus ReadTrailingAcks();

    // Writes bytes encoded for the picture's mode.
    bool Write(std::span<const std::uint8_t> bytes);
    // The data bytes from firstOffset on as they reach the receiver: without
    // those the line drops on the first send.
    std::vector<std::uint8_t> OnTheLine(std::span<const std::uint8_t> data,
                                        std::uint32_t firstOffset, int send) const;
    bool WriteRaw(std::span<const std::uint8_t> bytes);
    LineStatus ReadAck(std::uint8_t expected, Ack& ack);
    bool End(Outcome outcome);
    // Ends the picture where the cut-short fault stops the camera, after the
    // answers the receiver still gives.
    bool EndCutShort();

    // What of a block the cut-short fault lets out.
    struct BlockCut {
        std::uint32_t allowed = 0; // data bytes sent before the cut
        bool here = false;         // the picture ends in this block
    };

    // The steps of one block, each with its fault: the cut, a wrong check
    // byte on the first sends, a silence inside the first send, and the data
    // bytes the line loses (OnTheLine).
    std::span<const std::uint8_t> DataOf(const BlockBounds& bounds) const;
    BlockCut CutOf(const BlockBounds& bounds) const;
    std::uint8_t CheckOfSend(std::uint32_t index, int send, std::uint8_t checkByte) const;
    // Writes the data bytes before the silence and keeps quiet; pauseAt
    // tells how many went. True without a silence in this block.
    bool SendUpToSilence(std::uint32_t index, std::span<const std::uint8_t> sent,
                         std::uint32_t offset, std::uint32_t& pauseAt);
    // One send of a block: its data up to the cut and the check byte, if one
    // goes with this block.
    bool SendOnce(std::uint32_t index, int send, const BlockBounds& bounds, const BlockCut& cut,
                  std::uint8_t check);
    // Folds what went out into the value the receiver answers at the end.
    void CountSent(std::span<const std::uint8_t> sent, bool whole,
                   std::optional<std::uint8_t> check);
    // Reads the block's acknowledgement, where one is asked for, and tells
    // whether the receiver turned the send down.
    bool AwaitVerdict(BlockReport& report, std::span<const std::uint8_t> data, std::uint8_t check,
                      bool& rejected);

    bool Acks() const { return picture.ackFlag != 0; }
    bool BlockChecks() const { return picture.blockSize != 0 && picture.checkFlag != 0; }
    bool BlockAcks() const { return picture.blockSize != 0 && Acks(); }
    bool FinalCheck() const { return picture.blockSize == 0 && picture.checkFlag != 0; }
    // Data bytes the cut-short fault lets through, counted from the start.
    std::uint32_t CutPoint() const;

    Camera& camera;
    const OutgoingPicture& picture;
    SendResult& result;
    // Exclusive-or of every byte sent in the data phase: what the receiver
    // answers at the end when it took them all.
    std::uint8_t pictureValue = 0;
};

std::uint32_t Camera::Transfer::CutPoint() const {
    const std::optional<std::uint32_t>& cut = picture.faults.cutShortAfter;
    return cut ? *cut : UINT32_MAX;
}

bool Camera::Transfer::End(Outcome outcome) {
    result.outcome = outcome;
    if (outcome == Outcome::WriteFailed) {
        result.error = camera.line.Error();
    }
    return false;
}

bool Camera::Transfer::EndCutShort() {
    return End(ReadTrailingAcks() == LineStatus::Stopped ? Outcome::Stopped : Outcome::CutShort);
}

std::span<const std::uint8_t> Camera::Transfer::DataOf(const BlockBounds& bounds) const {
    return {picture.data.data() + bounds.offset, bounds.length};
}

bool Camera::Transfer::WriteRaw(std::span<const std::uint8_t> bytes) {
    const LineStatus status = camera.line.Write(bytes);
    return status == LineStatus::Done || End(OutcomeOfLine(status, Outcome::WriteFailed));
}

bool Camera::Transfer::Write(std::span<const std::uint8_t> bytes) {
    std::vector<std::uint8_t> encoded;
    AppendEncoded(encoded, bytes, picture.encoding);
    return WriteRaw(encoded);
}

std::vector<std::uint8_t> Camera::Transfer::OnTheLine(std::span<const std::uint8_t> data,
                                                      std::uint32_t firstOffset, int send) const {
    const std::set<std::uint32_t>& dropped = picture.faults.dropDataBytes;
    std::vector<std::uint8_t> kept;
    kept.reserve(data.size());
    for (std::uint32_t i = 0; i < data.size(); ++i) {
        if (send != 1 || dropped.count(firstOffset + i) == 0) {
            kept.push_back(data[i]);
        }
    }
    return kept;
}

LineStatus Camera::Transfer::ReadAck(std::uint8_t expected, Ack& ack) {
    ack.expected = expected;
    const std::size_t width = UnitWidth(picture.encoding);
    const LineStatus status = camera.line.Read(width, camera.options.ackTimeout, ack.raw);
    ack.received = ack.raw.size() == width;
    if (ack.received) {
        ack.value = DecodeUnit(ack.raw, picture.encoding, ack.wellFormed);
    } else {
        ack.wellFormed = false;
    }
    return status;
}

bool Camera::Transfer::SendHeader() {
    const std::array<std::uint8_t, kHeaderSize> header = HeaderBytes(picture);
    std::array<std::uint8_t, kHeaderSize> sent = header;
    if (picture.faults.wrongHeaderSum) {
        sent[17] = static_cast<std::uint8_t>(sent[17] + 1);
    }
    if (picture.faults.wrongHeaderXor) {
        sent[18] ^= 0x01;
    }
    std::vector<std::uint8_t> opening = picture.faults.garbage;
    const auto& sync = picture.encoding == Encoding::Binary ? kBinarySync : kHexSync;
    opening.insert(opening.end(), sync.begin(), sync.end());
    AppendEncoded(opening, sent, picture.encoding);
    if (!WriteRaw(opening)) {
        return false;
    }
    if (!Acks()) {
        return true;
    }
    const LineStatus status = ReadAck(header[18], result.headerAck);
    if (!result.headerAck.received) {
        return End(OutcomeOfLine(status, Outcome::HeaderNotAcknowledged));
    }
    if (!result.headerAck.Matches()) {
        return End(Outcome::HeaderAckWrong);
    }
    return true;
}

Camera::Transfer::BlockCut Camera::Transfer::CutOf(const BlockBounds& bounds) const {
    const std::uint32_t cut = CutPoint();
    BlockCut blockCut;
    blockCut.allowed = cut > bounds.offset ? std::min(bounds.length, cut - bounds.offset) : 0;
    // The check byte follows the block's last data byte, so a cut just there
    // takes it too.
    blockCut.here = cut < bounds.offset + bounds.length ||
                    (cut == bounds.offset + bounds.length && BlockChecks());
    return blockCut;
}

std::uint8_t Camera::Transfer::CheckOfSend(std::uint32_t index, int send,
                                           std::uint8_t checkByte) const {
    const auto wrong = picture.faults.wrongCheckSends.find(index);
    const int wrongSends = wrong != picture.faults.wrongCheckSends.end() ? wrong->second : 0;
    return send <= wrongSends ? static_cast<std::uint8_t>(checkByte ^ 0xFF) : checkByte;
}

bool Camera::Transfer::SendUpToSilence(std::uint32_t index, std::span<const std::uint8_t> sent,
                                       std::uint32_t offset, std::uint32_t& pauseAt) {
    const std::optional<Silence>& silence = picture.faults.silence;
    if (!silence || silence->block != index) {
        return true;
    }
    pauseAt = std::min(silence->afterBytes, static_cast<std::uint32_t>(sent.size()));
    if (!Write(OnTheLine(sent.first(pauseAt), offset, 1))) {
        return false;
    }
    if (camera.line.Pause(std::chrono::milliseconds(silence->milliseconds)) ==
        LineStatus::Stopped) {
        return End(Outcome::Stopped);
    }
    // A receiver that gave up during the pause has said its last word.
    camera.line.Drain(result.unexpected);
    return true;
}

void Camera::Transfer::CountSent(std::span<const std::uint8_t> sent, bool whole,
                                 std::optional<std::uint8_t> check) {
    // A receiver folds a block into its value only once all of the block's
    // data have come; a block cut off in the middle never counts.
    if (whole) {
        pictureValue ^= XorOf(sent);
    }
    if (check) {
        pictureValue ^= *check;
    }
}

bool Camera::Transfer::SendOnce(std::uint32_t index, int send, const BlockBounds& bounds,
                                const BlockCut& cut, std::uint8_t check) {
    const std::span<const std::uint8_t> sent = DataOf(bounds).first(cut.allowed);
    std::uint32_t pauseAt = 0;
    if (send == 1 && !SendUpToSilence(index, sent, bounds.offset, pauseAt)) {
        return false;
    }
    std::vector<std::uint8_t> rest =
        OnTheLine(sent.subspan(pauseAt), bounds.offset + pauseAt, send);
    std::optional<std::uint8_t> sentCheck;
    if (BlockChecks() && !cut.here) {
        sentCheck = check;
        rest.push_back(check);
    }
    if (!Write(rest)) {
        return false;
    }
    CountSent(sent, cut.allowed == bounds.length, sentCheck);
    return true;
}

bool Camera::Transfer::AwaitVerdict(BlockReport& report, std::span<const std::uint8_t> data,
                                    std::uint8_t check, bool& rejected) {
    rejected = BlockChecks() && check != report.checkByte;
    if (!BlockAcks()) {
        return true;
    }
    const std::uint8_t expected =
        BlockChecks() ? check : XorOf(data.first(data.empty() ? 0 : data.size() - 1));
    Ack& ack = report.acks.emplace_back();
    const LineStatus status = ReadAck(expected, ack);
    if (!ack.received) {
        return End(OutcomeOfLine(status, Outcome::BlockNotAcknowledged));
    }
    // The receiver's verdict, not the camera's own knowledge, decides.
    rejected = BlockChecks() && ack.value != check;
    return true;
}

bool Camera::Transfer::SendBlock(std::uint32_t index, const BlockBounds& bounds) {
    const std::span<const std::uint8_t> data = DataOf(bounds);
    BlockReport& report = result.blocks.emplace_back();
    report.offset = bounds.offset;
    report.length = bounds.length;
    report.checkByte = XorOf(data);
    const BlockCut cut = CutOf(bounds);

    for (int send = 1;; ++send) {
        report.sends = send;
        const std::uint8_t check = CheckOfSend(index, send, report.checkByte);
        if (!SendOnce(index, send, bounds, cut, check)) {
            return false;
        }
        if (cut.here) {
            return EndCutShort();
        }
        bool rejected = false;
        if (!AwaitVerdict(report, data, check, rejected)) {
            return false;
        }
        if (!rejected) {
            return true;
        }
        if (send >= camera.options.maxSends) {
            return End(ReadFinalAck() == LineStatus::Stopped ? Outcome::Stopped
                                                             : Outcome::ResendsExhausted);
        }
    }
}

bool Camera::Transfer::SendFinalCheck() {
    if (!FinalCheck()) {
        return true;
    }
    if (CutPoint() <= picture.data.size()) {
        // The cut falls at the very end: everything but the final check byte.
        return EndCutShort();
    }
    std::uint8_t check = XorOf(picture.data);
    if (picture.faults.wrongFinalCheck) {
        check ^= 0xFF;
    }
    const std::uint8_t bytes[] = {check};
    return Write(bytes);
}

LineStatus Camera::Transfer::ReadFinalAck() {
    if (!Acks()) {
        return LineStatus::Done;
    }
    return ReadAck(pictureValue, result.finalAck);
}

LineStatus Camera::Transfer::ReadTrailingAcks() {
    if (!Acks()) {
        return LineStatus::Done;
    }
    // The receiver waits for the missing bytes, gives up and answers with its
    // final acknowledgement, possibly after a block acknowledgement; the last
    // answer before the line falls quiet is taken as the final one.
    for (;;) {
        Ack ack;
        const LineStatus status = ReadAck(pictureValue, ack);
        if (!ack.received) {
            result.unexpected.insert(result.unexpected.end(), ack.raw.begin(), ack.raw.end());
            return status;
        }
        if (result.finalAck.received) {
            result.unexpected.insert(result.unexpected.end(), result.finalAck.raw.begin(),
                                     result.finalAck.raw.end());
        }
        result.finalAck = ack;
    }
}

void Camera::Transfer::Run() {
    camera.line.Drain(result.unexpected);
    if (!SendHeader()) {
        return;
    }
    const std::vector<BlockBounds> blocks =
        PlanBlocks(static_cast<std::uint32_t>(picture.data.size()), picture.blockSize);
    for (std::uint32_t index = 0; index < blocks.size(); ++index) {
        if (!SendBlock(index, blocks[index])) {
            return;
        }
    }
    if (!SendFinalCheck()) {
        return;
    }
    const LineStatus status = ReadFinalAck();
    if (Acks() && !result.finalAck.received) {
        End(OutcomeOfLine(status, Outcome::FinalNotAcknowledged));
        return;
    }
    result.outcome = Outcome::Completed;
    camera.line.Drain(result.unexpected);
}

Camera::Camera(int fd, CameraOptions options)
    : options(options), stop(options.alsoStopWhen),
      line(fd, options.bitsPerSecond, options.writeStall, stop) {}

SendResult Camera::Send(const OutgoingPicture& picture) {
    SendResult result;
    const auto start = std::chrono::steady_clock::now();
    const std::size_t writtenBefore = line.BytesWritten();
    line.StartQuietWatch();
    Transfer(*this, picture, result).Run();
    result.bytesWritten = line.BytesWritten() - writtenBefore;
    result.longestQuiet = line.LongestQuiet();
    result.elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - start);
    return result;
}

bool Camera::Pause(std::chrono::milliseconds duration) {
    return line.Pause(duration) == LineStatus::Done;
}

} // namespace camsim
