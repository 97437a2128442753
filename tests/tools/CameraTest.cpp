// The camera's side of the exchange as the receiver sees it on the wire,
// and what the camera reports of the receiver's answers.

#include "CameraFixture.h"
#include "WireBytes.h"

#include <gtest/gtest.h>

namespace camsimtest {
namespace {

using camsim::Encoding;
using camsim::Outcome;
using camsim::SendResult;

const Bytes kWorkedHeader{0x02, 0x80, 0x01, 0xE0, 0x00, 0x00, 0x30, 0x39, 0x01, 0x00,
                          0x00, 0x00, 0x01, 0x00, 0x01, 0x00, 0x01, 0xD0, 0x6A};

class CameraTest : public CameraFixture {};

TEST_F(CameraTest, WorkedExampleGoesOutExactlyAndWaitsForEveryAck) {
    Start(PatternPicture(12345));

    Bytes opening{0x55, 0xAA};
    opening.insert(opening.end(), kWorkedHeader.begin(), kWorkedHeader.end());
    EXPECT_EQ(receiver->Read(21), opening);
    EXPECT_TRUE(receiver->ReadUntilQuiet(150ms).empty()) << "data before the header ack";
    receiver->Write(Bytes{0x6A});

    for (std::size_t index = 0; index < 49; ++index) {
        const std::size_t length = index < 48 ? 256 : 57;
        const Bytes block = receiver->ReadExactly(length + 1);
        ASSERT_EQ(block, WithCheck(Slice(picture.data, index * 256, length))) << "block " << index;
        if (index == 0) {
            EXPECT_TRUE(receiver->ReadUntilQuiet(150ms).empty()) << "block 1 before block 0's ack";
        }
        receiver->Write(Bytes{block.back()});
    }
    receiver->Write(Bytes{0x00});

    const SendResult result = Finish();
    EXPECT_EQ(result.outcome, Outcome::Completed);
    EXPECT_TRUE(result.headerAck.Matches());
    EXPECT_EQ(result.headerAck.value, 0x6A);
    ASSERT_EQ(result.blocks.size(), 49u);
    for (const camsim::BlockReport& block : result.blocks) {
        EXPECT_EQ(block.sends, 1);
        ASSERT_EQ(block.acks.size(), 1u);
        EXPECT_TRUE(block.acks[0].Matches());
    }
    EXPECT_EQ(result.blocks[48].length, 57u);
    EXPECT_TRUE(result.finalAck.Matches());
    EXPECT_EQ(result.finalAck.expected, 0x00);
    EXPECT_TRUE(result.unexpected.empty());
    EXPECT_EQ(result.bytesWritten, 2u + 19u + 12345u + 49u);
    EXPECT_TRUE(receiver->ReadUntilQuiet(100ms).empty());
}

TEST_F(CameraTest, HexTextInUpperCaseAndAcksReadInEitherCase) {
    camsim::OutgoingPicture outgoing = PatternPicture(12345);
    outgoing.encoding = Encoding::HexUpper;
    Start(outgoing);

    EXPECT_EQ(receiver->Read(2), (Bytes{0xAA, 0x55}));
    EXPECT_EQ(ToText(receiver->Read(38)), "028001E000003039010000000100010001D06A");
    // A receiver answers in upper case; a lower-case answer is still read.
    receiver->Write("6a");
    const Bytes first = receiver->Read(514);
    EXPECT_EQ(ToText(first), Hex(WithCheck(Slice(outgoing.data, 0, 256))));
    receiver->Write(Hex({XorOf(outgoing.data, 0, 256)}));
    const Bytes second = receiver->Read(514);
    EXPECT_EQ(ToText(second), Hex(WithCheck(Slice(outgoing.data, 256, 256))));
    camera->RequestStop();

    const SendResult result = Finish();
    EXPECT_EQ(result.outcome, Outcome::Stopped);
    EXPECT_TRUE(result.headerAck.Matches());
    EXPECT_FALSE(result.headerAck.wellFormed);
    EXPECT_EQ(ToText(result.headerAck.raw), "6a");
    ASSERT_GE(result.blocks.size(), 1u);
    ASSERT_EQ(result.blocks[0].acks.size(), 1u);
    EXPECT_TRUE(result.blocks[0].acks[0].Matches());
    EXPECT_TRUE(result.blocks[0].acks[0].wellFormed);
    EXPECT_EQ(result.blocks[0].sends, 1);
}

TEST_F(CameraTest, HexTextInLowerCase) {
    camsim::OutgoingPicture outgoing = PatternPicture(300);
    outgoing.encoding = Encoding::HexLower;
    outgoing.ackFlag = 0;
    Start(outgoing);

    const Bytes wire = receiver->ReadExpected(2 + 38 + 2 * (257 + 45));
    std::string expected = "\xAA\x55";
    expected += Hex(Header(640, 480, 300, 256, 1, 0), true);
    expected += Hex(WithCheck(Slice(outgoing.data, 0, 256)), true);
    expected += Hex(WithCheck(Slice(outgoing.data, 256, 44)), true);
    EXPECT_EQ(ToText(wire), expected);
    EXPECT_EQ(Finish().outcome, Outcome::Completed);
}

TEST_F(CameraTest, ResendsABlockWhoseAckDiffersFromItsCheckByte) {
    Start(PatternPicture(600));
    AckHeader();
    const Bytes block0 = receiver->ReadExactly(257);
    receiver->Write(Bytes{block0.back()});
    const Bytes block1 = receiver->ReadExactly(257);
    receiver->Write(Bytes{static_cast<std::uint8_t>(block1.back() ^ 0x5A)});
    const Bytes again = receiver->ReadExactly(257);
    EXPECT_EQ(again, block1) << "the same block, with the same check byte";
    receiver->Write(Bytes{again.back()});
    const Bytes block2 = receiver->ReadExactly(89);
    EXPECT_EQ(block2, WithCheck(Slice(picture.data, 512, 88)));
    receiver->Write(Bytes{block2.back()});
    receiver->Write(Bytes{0x00});

    const SendResult result = Finish();
    EXPECT_EQ(result.outcome, Outcome::Completed);
    ASSERT_EQ(result.blocks.size(), 3u);
    EXPECT_EQ(result.blocks[1].sends, 2);
    ASSERT_EQ(result.blocks[1].acks.size(), 2u);
    EXPECT_FALSE(result.blocks[1].acks[0].Matches());
    EXPECT_EQ(result.blocks[1].acks[0].value, block1.back() ^ 0x5A);
    EXPECT_TRUE(result.blocks[1].acks[1].Matches());
    EXPECT_EQ(result.Resends(), 1);
    EXPECT_EQ(result.bytesWritten, 21u + 600u + 3u + 257u);
}

TEST_F(CameraTest, GivesUpAfterItsLastSendIsRejectedAndReadsTheFinalAck) {
    Start(PatternPicture(300));
    AckHeader();
    const Bytes block = receiver->ReadExactly(257);
    for (int send = 0; send < 3; ++send) {
        SCOPED_TRACE("send " + std::to_string(send + 1));
        if (send > 0) {
            EXPECT_EQ(receiver->Read(257), block);
        }
        receiver->Write(Bytes{static_cast<std::uint8_t>(~block.back())});
    }
    receiver->Write(Bytes{0x42});

    const SendResult result = Finish();
    EXPECT_EQ(result.outcome, Outcome::ResendsExhausted);
    ASSERT_EQ(result.blocks.size(), 1u);
    EXPECT_EQ(result.blocks[0].sends, 3);
    EXPECT_TRUE(result.finalAck.received);
    EXPECT_EQ(result.finalAck.value, 0x42);
    EXPECT_TRUE(receiver->ReadUntilQuiet(150ms).empty()) << "nothing after giving up";
}

TEST_F(CameraTest, MissingAcksEndThePictureAfterTheTimeLimit) {
    camsim::CameraOptions options = Unpaced();
    options.ackTimeout = 200ms;
    Start(PatternPicture(600), options);
    receiver->Read(21);
    SendResult result = Finish();
    EXPECT_EQ(result.outcome, Outcome::HeaderNotAcknowledged);
    EXPECT_FALSE(result.headerAck.received);
    EXPECT_GE(result.elapsed, 150ms);
    EXPECT_TRUE(result.blocks.empty());
    EXPECT_TRUE(receiver->ReadUntilQuiet(100ms).empty()) << "no data without the header ack";

    // From here the camera must hear the answers it does get: a longer limit.
    options.ackTimeout = 1s;
    Start(PatternPicture(600), options);
    AckHeader();
    EXPECT_EQ(receiver->Read(257).size(), 257u);
    result = Finish();
    EXPECT_EQ(result.outcome, Outcome::BlockNotAcknowledged);
    ASSERT_EQ(result.blocks.size(), 1u);
    ASSERT_EQ(result.blocks[0].acks.size(), 1u);
    EXPECT_FALSE(result.blocks[0].acks[0].received);

    Start(PatternPicture(100), options);
    AckHeader();
    const Bytes block = receiver->ReadExactly(101);
    receiver->Write(Bytes{block.back()});
    result = Finish();
    EXPECT_EQ(result.outcome, Outcome::FinalNotAcknowledged);
    EXPECT_FALSE(result.finalAck.received);
}

TEST_F(CameraTest, StreamsWithoutWaitingWhenNoAcksAreAsked) {
    camsim::OutgoingPicture outgoing = PatternPicture(250);
    outgoing.ackFlag = 0;
    outgoing.blockSize = 100;
    Start(outgoing);
    const Bytes wire = receiver->ReadExpected(2 + 19 + 250 + 3);
    ASSERT_EQ(wire.size(), 2u + 19u + 250u + 3u);
    EXPECT_EQ(Slice(wire, 21, 101), WithCheck(Slice(outgoing.data, 0, 100)));
    EXPECT_EQ(Slice(wire, 122, 101), WithCheck(Slice(outgoing.data, 100, 100)));
    EXPECT_EQ(Slice(wire, 223, 51), WithCheck(Slice(outgoing.data, 200, 50)));
    const SendResult result = Finish();
    EXPECT_EQ(result.outcome, Outcome::Completed);
    EXPECT_FALSE(result.headerAck.received);
    EXPECT_FALSE(result.finalAck.received);
    EXPECT_EQ(result.blocks.size(), 3u);
}

TEST_F(CameraTest, BlockSizeZeroSendsHundredsAndOneFinalCheckByte) {
    camsim::OutgoingPicture outgoing = PatternPicture(250);
    outgoing.blockSize = 0;
    Start(outgoing);
    AckHeader();
    Bytes expected = outgoing.data;
    expected.push_back(XorOf(outgoing.data));
    EXPECT_EQ(receiver->Read(251), expected) << "no per-block check bytes, no waits";
    receiver->Write(Bytes{XorOf(outgoing.data)});
    const SendResult result = Finish();
    EXPECT_EQ(result.outcome, Outcome::Completed);
    ASSERT_EQ(result.blocks.size(), 3u);
    EXPECT_EQ(result.blocks[2].length, 50u);
    EXPECT_TRUE(result.blocks[0].acks.empty());
    EXPECT_TRUE(result.finalAck.Matches()) << "the final ack is the data's exclusive-or";
}

TEST_F(CameraTest, AckFlagWithOnlyItsFirstByteSetAsksForAcks) {
    camsim::OutgoingPicture outgoing = PatternPicture(10);
    outgoing.ackFlag = 0x0100;
    Start(outgoing);
    const Bytes opening = receiver->ReadExactly(21);
    EXPECT_EQ(Slice(opening, 2, 19), Header(640, 480, 10, 256, 1, 0x0100));
    EXPECT_EQ(opening[2 + 15], 0x01);
    EXPECT_EQ(opening[2 + 16], 0x00);
    EXPECT_TRUE(receiver->ReadUntilQuiet(150ms).empty()) << "it waits for the header ack";
    receiver->Write(Bytes{opening[20]});
    const Bytes block = receiver->ReadExactly(11);
    receiver->Write(Bytes{block.back()});
    receiver->Write(Bytes{0x00});
    EXPECT_EQ(Finish().outcome, Outcome::Completed);
}

TEST_F(CameraTest, BlockAcksWithoutCheckBytesNeverCauseAResend) {
    camsim::OutgoingPicture outgoing = PatternPicture(150);
    outgoing.blockSize = 100;
    outgoing.checkFlag = 0;
    Start(outgoing);
    AckHeader();
    EXPECT_EQ(receiver->Read(100), Slice(outgoing.data, 0, 100));
    receiver->Write(Bytes{static_cast<std::uint8_t>(XorOf(outgoing.data, 0, 99) ^ 0x01)});
    EXPECT_EQ(receiver->Read(50), Slice(outgoing.data, 100, 50));
    receiver->Write(Bytes{XorOf(outgoing.data, 100, 49)});
    receiver->Write(Bytes{XorOf(outgoing.data)});

    const SendResult result = Finish();
    EXPECT_EQ(result.outcome, Outcome::Completed);
    ASSERT_EQ(result.blocks.size(), 2u);
    EXPECT_EQ(result.blocks[0].sends, 1);
    EXPECT_FALSE(result.blocks[0].acks[0].Matches());
    EXPECT_EQ(result.blocks[0].acks[0].expected, XorOf(outgoing.data, 0, 99));
    EXPECT_TRUE(result.blocks[1].acks[0].Matches());
    EXPECT_TRUE(result.finalAck.Matches());
}

TEST_F(CameraTest, AnEmptyPictureStillSendsOneCheckByte) {
    Start(PatternPicture(0));
    AckHeader();
    EXPECT_EQ(receiver->Read(1), Bytes{0x00});
    receiver->Write(Bytes{0x00});
    receiver->Write(Bytes{0x00});
    SendResult result = Finish();
    EXPECT_EQ(result.outcome, Outcome::Completed);
    ASSERT_EQ(result.blocks.size(), 1u);
    EXPECT_EQ(result.blocks[0].length, 0u);

    camsim::OutgoingPicture outgoing = PatternPicture(0);
    outgoing.blockSize = 0;
    outgoing.ackFlag = 0;
    Start(outgoing);
    const Bytes wire = receiver->ReadExpected(22);
    ASSERT_EQ(wire.size(), 22u) << "header and a final check byte of 0";
    EXPECT_EQ(wire.back(), 0x00);
    EXPECT_EQ(Finish().outcome, Outcome::Completed);
}

TEST_F(CameraTest, BytesTheReceiverWasNotAskedForAreReported) {
    receiver->Write(Bytes{0x11, 0x22});
    camsim::OutgoingPicture outgoing = PatternPicture(5);
    Start(outgoing);
    AckHeader();
    const Bytes block = receiver->ReadExactly(6);
    receiver->Write(Bytes{block.back()});
    receiver->Write(Bytes{0x00, 0x33});
    const SendResult result = Finish();
    EXPECT_EQ(result.outcome, Outcome::Completed);
    EXPECT_TRUE(result.finalAck.Matches());
    EXPECT_EQ(result.unexpected, (Bytes{0x11, 0x22, 0x33}));
}

TEST_F(CameraTest, AStopRequestEndsAWaitAtOnce) {
    camsim::CameraOptions options = Unpaced();
    options.ackTimeout = 60s;
    Start(PatternPicture(100), options);
    receiver->Read(21);
    camera->RequestStop();
    SendResult result = Finish();
    EXPECT_EQ(result.outcome, Outcome::Stopped);
    EXPECT_LT(result.elapsed, 30s);

    std::atomic<bool> flag{false};
    options.alsoStopWhen = [&flag] { return flag.load(); };
    Start(PatternPicture(100), options);
    receiver->Read(21);
    flag.store(true);
    result = Finish();
    EXPECT_EQ(result.outcome, Outcome::Stopped);
    EXPECT_FALSE(camera->Pause(10s)) << "a raised flag also ends a pause";
}

TEST_F(CameraTest, PacedOutputTakesTheTimeOfTheLine) {
    camsim::OutgoingPicture outgoing = PatternPicture(939);
    outgoing.ackFlag = 0;
    outgoing.checkFlag = 0;
    outgoing.blockSize = 0;
    camsim::CameraOptions options;
    options.bitsPerSecond = 9600;
    const auto start = std::chrono::steady_clock::now();
    Start(outgoing, options);
    const Bytes wire = receiver->ReadExactly(960, 20s);
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(wire.size(), 960u);
    // 960 bytes at 960 bytes a second: about a second; only the floor is
    // asserted, a loaded machine may take longer.
    EXPECT_GE(took, 800ms);
    const SendResult result = Finish();
    EXPECT_EQ(result.outcome, Outcome::Completed);
    EXPECT_GE(result.elapsed, 800ms);
}

TEST_F(CameraTest, AWriteThatNeverGoesThroughFails) {
    camsim::OutgoingPicture outgoing = PatternPicture(4 * 1024 * 1024);
    outgoing.ackFlag = 0;
    camsim::CameraOptions options = Unpaced();
    options.writeStall = 200ms;
    Start(outgoing, options); // nobody reads the other end
    const SendResult result = Finish();
    EXPECT_EQ(result.outcome, Outcome::WriteFailed);
    EXPECT_FALSE(result.error.empty());
    EXPECT_LT(result.bytesWritten, outgoing.data.size());
}

} // namespace
} // namespace camsimtest
