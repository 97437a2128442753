// Each deliberate mistake of the camera, seen on the wire.

#include "CameraFixture.h"
#include "WireBytes.h"

#include <gtest/gtest.h>

namespace camsimtest {
namespace {

using camsim::Outcome;
using camsim::SendResult;

class CameraFaultsTest : public CameraFixture {
protected:
    // A picture that streams without acknowledgements, so that the whole
    // wire can be read at once.
    static camsim::OutgoingPicture Streaming(std::size_t size) {
        camsim::OutgoingPicture outgoing = PatternPicture(size);
        outgoing.ackFlag = 0;
        return outgoing;
    }
};

TEST_F(CameraFaultsTest, GarbageComesBeforeTheSynchronisationPair) {
    camsim::OutgoingPicture outgoing = Streaming(10);
    outgoing.faults.garbage = {0x01, 0x55, 0x07, 0xAA, 0xFF};
    Start(outgoing);
    const Bytes wire = receiver->ReadExpected(5 + 2 + 19 + 11);
    ASSERT_EQ(wire.size(), 5u + 2u + 19u + 11u);
    EXPECT_EQ(Slice(wire, 0, 7), (Bytes{0x01, 0x55, 0x07, 0xAA, 0xFF, 0x55, 0xAA}));
    EXPECT_EQ(Slice(wire, 7, 19), Header(640, 480, 10, 256, 1, 0));
    EXPECT_EQ(Finish().bytesWritten, wire.size());
}

TEST_F(CameraFaultsTest, AWrongHeaderSumOrExclusiveOrLeavesTheOtherRight) {
    camsim::CameraOptions options = Unpaced();
    options.ackTimeout = 150ms;
    const Bytes right = Header(640, 480, 10, 256, 1, 1);

    camsim::OutgoingPicture outgoing = PatternPicture(10);
    outgoing.faults.wrongHeaderSum = true;
    Start(outgoing, options);
    Bytes header = Slice(receiver->ReadExactly(21), 2, 19);
    EXPECT_EQ(Slice(header, 0, 17), Slice(right, 0, 17));
    EXPECT_NE(header[17], right[17]);
    EXPECT_EQ(header[18], right[18]);
    SendResult result = Finish();
    EXPECT_EQ(result.outcome, Outcome::HeaderNotAcknowledged);
    EXPECT_TRUE(receiver->ReadUntilQuiet(100ms).empty());

    outgoing.faults = {};
    outgoing.faults.wrongHeaderXor = true;
    Start(outgoing, options);
    header = Slice(receiver->ReadExactly(21), 2, 19);
    EXPECT_EQ(header[17], right[17]);
    EXPECT_NE(header[18], right[18]);
    EXPECT_EQ(Finish().outcome, Outcome::HeaderNotAcknowledged);
}

TEST_F(CameraFaultsTest, AWrongCheckByteForTwoSendsIsResentUntilRight) {
    camsim::OutgoingPicture outgoing = PatternPicture(600);
    outgoing.faults.wrongCheckSends[1] = 2;
    Start(outgoing);
    AckHeader();
    const Bytes block0 = receiver->ReadExactly(257);
    EXPECT_EQ(block0, WithCheck(Slice(outgoing.data, 0, 256)));
    receiver->Write(Bytes{block0.back()});
    const Bytes good = WithCheck(Slice(outgoing.data, 256, 256));
    for (int send = 1; send <= 3; ++send) {
        SCOPED_TRACE("send " + std::to_string(send));
        const Bytes block1 = receiver->ReadExactly(257);
        EXPECT_EQ(Slice(block1, 0, 256), Slice(good, 0, 256));
        if (send <= 2) {
            EXPECT_NE(block1.back(), good.back());
        } else {
            EXPECT_EQ(block1.back(), good.back());
        }
        // The receiver answers with the block's own exclusive-or.
        receiver->Write(Bytes{good.back()});
    }
    const Bytes block2 = receiver->ReadExactly(89);
    receiver->Write(Bytes{block2.back()});
    // Each rejected send adds data ^ ~data = 0xFF to the receiver's value:
    // two of them cancel out.
    receiver->Write(Bytes{0x00});

    const SendResult result = Finish();
    EXPECT_EQ(result.outcome, Outcome::Completed);
    ASSERT_EQ(result.blocks.size(), 3u);
    EXPECT_EQ(result.blocks[1].sends, 3);
    EXPECT_TRUE(result.finalAck.Matches());
}

TEST_F(CameraFaultsTest, TheFinalValueExpectedCountsRejectedSends) {
    camsim::OutgoingPicture outgoing = PatternPicture(100);
    outgoing.faults.wrongCheckSends[0] = 1;
    Start(outgoing);
    AckHeader();
    const Bytes bad = receiver->ReadExactly(101);
    receiver->Write(Bytes{XorOf(bad, 0, 100)});
    const Bytes good = receiver->ReadExactly(101);
    receiver->Write(Bytes{good.back()});
    receiver->Write(Bytes{static_cast<std::uint8_t>(XorOf(bad) ^ XorOf(good))});
    const SendResult result = Finish();
    EXPECT_EQ(result.outcome, Outcome::Completed);
    EXPECT_EQ(result.finalAck.expected, 0xFF);
    EXPECT_TRUE(result.finalAck.Matches());
}

TEST_F(CameraFaultsTest, WithoutAcksAWrongCheckByteIsFollowedByTheResend) {
    camsim::OutgoingPicture outgoing = Streaming(300);
    outgoing.faults.wrongCheckSends[0] = 1;
    Start(outgoing);
    const Bytes wire = receiver->ReadExpected(21 + 257 + 257 + 45);
    const Bytes good = WithCheck(Slice(outgoing.data, 0, 256));
    Bytes bad = good;
    bad.back() ^= 0xFF;
    ASSERT_EQ(wire.size(), 21u + 257u + 257u + 45u);
    EXPECT_EQ(Slice(wire, 21, 257), bad);
    EXPECT_EQ(Slice(wire, 278, 257), good);
    EXPECT_EQ(Slice(wire, 535, 45), WithCheck(Slice(outgoing.data, 256, 44)));
    EXPECT_EQ(Finish().blocks[0].sends, 2);
}

TEST_F(CameraFaultsTest, WrongCheckBytesOnEverySendEndThePicture) {
    camsim::OutgoingPicture outgoing = Streaming(300);
    outgoing.faults.wrongCheckSends[0] = 5;
    Start(outgoing);
    const Bytes wire = receiver->ReadExpected(21 + 3 * 257);
    EXPECT_EQ(wire.size(), 21u + 3u * 257u) << "three sends, then the camera gives up";
    EXPECT_EQ(Finish().outcome, Outcome::ResendsExhausted);
}

TEST_F(CameraFaultsTest, SilenceInsideABlock) {
    camsim::OutgoingPicture outgoing = Streaming(512);
    outgoing.faults.silence = camsim::Silence{1, 100, 400};
    Start(outgoing);
    EXPECT_EQ(receiver->Read(21 + 257 + 100).size(), 378u);
    const auto before = std::chrono::steady_clock::now();
    const Bytes rest = receiver->Read(157, 10s);
    const auto gap = std::chrono::steady_clock::now() - before;
    EXPECT_EQ(rest, Slice(WithCheck(Slice(outgoing.data, 256, 256)), 100, 157));
    EXPECT_GE(gap, 300ms);
    EXPECT_EQ(Finish().outcome, Outcome::Completed);
}

TEST_F(CameraFaultsTest, AnAnswerDuringASilenceIsReportedAsUnexpected) {
    camsim::OutgoingPicture outgoing = PatternPicture(512);
    outgoing.faults.silence = camsim::Silence{0, 10, 600};
    camsim::CameraOptions options = Unpaced();
    options.ackTimeout = 200ms;
    Start(outgoing, options);
    AckHeader();
    EXPECT_EQ(receiver->Read(10).size(), 10u);
    // A receiver that gives up during the silence sends its final ack.
    receiver->Write(Bytes{0x5C});
    EXPECT_EQ(receiver->Read(247).size(), 247u);
    const SendResult result = Finish();
    EXPECT_EQ(result.outcome, Outcome::BlockNotAcknowledged);
    EXPECT_EQ(result.unexpected, Bytes{0x5C});
}

TEST_F(CameraFaultsTest, APictureCutShortStopsMidBlockAndHearsTheReceiverOut) {
    camsim::OutgoingPicture outgoing = PatternPicture(600);
    outgoing.faults.cutShortAfter = 300;
    Start(outgoing);
    AckHeader();
    const Bytes block0 = receiver->ReadExactly(257);
    receiver->Write(Bytes{block0.back()});
    EXPECT_EQ(receiver->Read(44), Slice(outgoing.data, 256, 44));
    EXPECT_TRUE(receiver->ReadUntilQuiet(200ms).empty()) << "nothing after the cut";
    // The receiver gives up the unfinished block without folding it into its
    // value: only block 0 and its check byte count, which cancel out.
    receiver->Write(Bytes{0x00});

    const SendResult result = Finish();
    EXPECT_EQ(result.outcome, Outcome::CutShort);
    EXPECT_TRUE(result.finalAck.received);
    EXPECT_EQ(result.finalAck.expected, 0x00);
    EXPECT_EQ(result.bytesWritten, 21u + 257u + 44u);
}

TEST_F(CameraFaultsTest, ACutAtTheEndOfABlockDropsItsCheckByte) {
    camsim::OutgoingPicture outgoing = PatternPicture(600);
    outgoing.faults.cutShortAfter = 256;
    Start(outgoing);
    AckHeader();
    EXPECT_EQ(receiver->Read(256), Slice(outgoing.data, 0, 256));
    EXPECT_TRUE(receiver->ReadUntilQuiet(200ms).empty()) << "no check byte";
    // A receiver takes the block without its check byte, answers it, rejects
    // it, waits for the resend in vain and ends with its final ack: both
    // answers reach the camera, the last one counts as the final ack.
    const std::uint8_t blockValue = XorOf(outgoing.data, 0, 255);
    receiver->Write(Bytes{blockValue, XorOf(outgoing.data, 0, 256)});

    const SendResult result = Finish();
    EXPECT_EQ(result.outcome, Outcome::CutShort);
    EXPECT_TRUE(result.finalAck.Matches());
    EXPECT_EQ(result.unexpected, Bytes{blockValue});
    EXPECT_EQ(result.bytesWritten, 21u + 256u);
}

TEST_F(CameraFaultsTest, AWrongFinalCheckByte) {
    camsim::OutgoingPicture outgoing = Streaming(250);
    outgoing.blockSize = 0;
    outgoing.faults.wrongFinalCheck = true;
    Start(outgoing);
    const Bytes wire = receiver->ReadExpected(21 + 251);
    ASSERT_EQ(wire.size(), 21u + 251u);
    EXPECT_EQ(Slice(wire, 21, 250), outgoing.data);
    EXPECT_NE(wire.back(), XorOf(outgoing.data));

    outgoing.faults = {};
    Start(outgoing);
    const Bytes right = receiver->ReadExpected(21 + 251);
    ASSERT_EQ(right.size(), 21u + 251u);
    EXPECT_EQ(right.back(), XorOf(outgoing.data));
}

TEST_F(CameraFaultsTest, DroppedDataBytesGoMissingOnTheFirstSendOnly) {
    camsim::OutgoingPicture outgoing = Streaming(300);
    outgoing.faults.wrongCheckSends[0] = 1;
    outgoing.faults.dropDataBytes = {0, 255, 280};
    Start(outgoing);
    const Bytes wire = receiver->ReadExpected(21 + 255 + 257 + 44);
    ASSERT_EQ(wire.size(), 21u + 255u + 257u + 44u);
    const Bytes block0 = Slice(outgoing.data, 0, 256);
    // The check byte still covers the bytes the line lost: the camera cannot
    // know of them.
    Bytes firstSend = Slice(block0, 1, 254);
    firstSend.push_back(static_cast<std::uint8_t>(XorOf(block0) ^ 0xFF));
    EXPECT_EQ(Slice(wire, 21, 255), firstSend);
    EXPECT_EQ(Slice(wire, 276, 257), WithCheck(block0)) << "the resend arrives whole";
    const Bytes block1 = Slice(outgoing.data, 256, 44);
    Bytes secondBlock = Slice(block1, 0, 24);
    secondBlock.insert(secondBlock.end(), block1.begin() + 25, block1.end());
    secondBlock.push_back(XorOf(block1));
    EXPECT_EQ(Slice(wire, 533, 44), secondBlock);
    EXPECT_EQ(Finish().outcome, Outcome::Completed);
}

TEST_F(CameraFaultsTest, ADroppedByteInHexTextLosesBothCharactersEvenAcrossASilence) {
    camsim::OutgoingPicture outgoing = Streaming(10);
    outgoing.blockSize = 0;
    outgoing.encoding = camsim::Encoding::HexUpper;
    outgoing.faults.dropDataBytes = {4};
    outgoing.faults.silence = camsim::Silence{0, 4, 50};
    Start(outgoing);
    const Bytes wire = receiver->ReadExpected(2 + 38 + 18 + 2);
    ASSERT_EQ(wire.size(), 2u + 38u + 18u + 2u);
    Bytes arriving = Slice(outgoing.data, 0, 4);
    const Bytes after = Slice(outgoing.data, 5, 5);
    arriving.insert(arriving.end(), after.begin(), after.end());
    arriving.push_back(XorOf(outgoing.data)); // the final check byte
    EXPECT_EQ(ToText(Slice(wire, 40, 20)), Hex(arriving));
    EXPECT_EQ(Finish().outcome, Outcome::Completed);
}

} // namespace
} // namespace camsimtest
