#include "TransferFixture.h"

#include "picture/BmpFormat.h"
#include "tests/support/ImagingReader.h"
#include "tools/camsim/WireFormat.h"
#include "transfer/PictureTransfer.h"

#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>

using namespace transfertest;
using testsupport::FileExists;
using testsupport::ReadFile;

namespace {

std::string AsText(const std::vector<std::uint8_t>& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

} // namespace

TEST_F(TransferTest, WorkedHeaderInBothEncodings) {
    for (const auto encoding : {camsim::Encoding::Binary, camsim::Encoding::HexUpper}) {
        SCOPED_TRACE(encoding == camsim::Encoding::Binary ? "binary" : "hexadecimal");
        camsim::OutgoingPicture picture = Jpeg(12345);
        picture.encoding = encoding;
        ASSERT_EQ(camsim::HeaderBytes(picture),
                  (std::array<std::uint8_t, 19>{0x02, 0x80, 0x01, 0xE0, 0x00, 0x00, 0x30, 0x39,
                                                0x01, 0x00, 0x00, 0x00, 0x01, 0x00, 0x01, 0x00,
                                                0x01, 0xD0, 0x6A}));
        camsim::SendResult sent;
        ASSERT_TRUE(Transfer(picture, file, &sent));
        EXPECT_EQ(sent.outcome, camsim::Outcome::Completed);
        EXPECT_EQ(sent.headerAck.value, 0x6A);
        if (encoding == camsim::Encoding::HexUpper) {
            EXPECT_EQ(AsText(sent.headerAck.raw), "6A");
        }
        ASSERT_EQ(sent.blocks.size(), 49u);
        EXPECT_EQ(sent.blocks.back().length, 57u);
        for (const auto& block : sent.blocks) {
            ASSERT_EQ(block.acks.size(), 1u);
            EXPECT_EQ(block.acks[0].value, block.checkByte);
        }
        EXPECT_TRUE(sent.finalAck.received);
        EXPECT_EQ(sent.finalAck.value, 0) << "a clean transfer with check bytes ends in 0";
        EXPECT_TRUE(FileHolds(file, picture.data));
        EXPECT_EQ(events.Last<transfer::Progress>(), (transfer::Progress{640, 480, 12288, 12345}))
            << "the progress before the last block";
        events.Clear();
    }
}

TEST_F(TransferTest, SyncPairIsFoundBehindAnyByte) {
    // 0x55 0x55 0xAA synchronises in binary mode on the second 0x55, and
    // 0xAA 0xAA 0x55 in hex-text mode; other bytes before the pair are skipped.
    for (const auto& [garbage, encoding] :
         {std::pair{std::vector<std::uint8_t>{0x55}, camsim::Encoding::Binary},
          std::pair{std::vector<std::uint8_t>{0xAA}, camsim::Encoding::HexUpper},
          std::pair{std::vector<std::uint8_t>{0x01, 0xAA, 0xAA, 0x00, 0x55, 0x13},
                    camsim::Encoding::Binary}}) {
        SCOPED_TRACE("garbage " + testing::PrintToString(garbage));
        camsim::OutgoingPicture picture = Jpeg(300);
        picture.encoding = encoding;
        picture.faults.garbage = garbage;
        EXPECT_TRUE(Transfer(picture, file));
        EXPECT_TRUE(FileHolds(file, picture.data));
    }
}

TEST_F(TransferTest, LoneSyncByteWaitsForTheByteBehindIt) {
    camsim::OutgoingPicture picture = Jpeg(50, 0, 0, 0);
    std::vector<std::uint8_t> frame(camsim::kBinarySync.begin(), camsim::kBinarySync.end());
    const auto header = camsim::HeaderBytes(picture);
    frame.insert(frame.end(), header.begin(), header.end());
    frame.insert(frame.end(), picture.data.begin(), picture.data.end());

    bool received = false;
    std::thread receiver([&] { received = Receive(file).Stored(); });
    ASSERT_TRUE(line.Send(std::span(frame).first(1)));
    // Long enough for several 10 ms reads to see the 0x55 alone.
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    ASSERT_TRUE(line.Send(std::span(frame).subspan(1)));
    receiver.join();
    EXPECT_TRUE(received);
    EXPECT_TRUE(FileHolds(file, picture.data));
}

TEST_F(TransferTest, BadHeaderEndsTheCallWithoutAnswerOrFile) {
    for (const bool wrongSum : {true, false}) {
        SCOPED_TRACE(wrongSum ? "wrong sum" : "wrong exclusive-or");
        camsim::OutgoingPicture bad = Jpeg(500);
        bad.faults.wrongHeaderSum = wrongSum;
        bad.faults.wrongHeaderXor = !wrongSum;
        camsim::CameraOptions options = Unpaced();
        options.ackTimeout = std::chrono::milliseconds(200);
        camsim::SendResult sent;
        EXPECT_FALSE(Transfer(bad, file, &sent, options));
        EXPECT_FALSE(FileExists(file));
        EXPECT_FALSE(sent.headerAck.received) << "nothing is sent for a rejected header";
        EXPECT_EQ(result.outcome, transfer::TransferResult::Outcome::NoPicture);
        EXPECT_EQ(events.Count<transfer::Progress>(), 0u) << "no picture began";
        port.ClearBuffer();
    }
}

TEST_F(TransferTest, StreamWithAFailedPictureInTheMiddle) {
    camsim::OutgoingPicture first = Jpeg(1000);
    camsim::OutgoingPicture broken = Jpeg(900);
    broken.faults.wrongHeaderSum = true;
    camsim::OutgoingPicture last = Jpeg(1100, 0, 0, 0);
    camsim::CameraOptions options = Unpaced();
    options.ackTimeout = std::chrono::milliseconds(300);
    std::vector<bool> results;
    WithCamera(
        {first, broken, last},
        [&] {
            for (int i = 0; i < 3; ++i) {
                results.push_back(Receive(dir / std::to_string(i)).Stored());
            }
        },
        options);
    // The broken header's data are scanned over by the next call, which still
    // finds the last picture.
    ASSERT_EQ(results.size(), 3u);
    EXPECT_TRUE(results[0]);
    EXPECT_FALSE(results[1]);
    EXPECT_TRUE(results[2]);
    EXPECT_TRUE(FileHolds(dir / "0", first.data));
    EXPECT_FALSE(FileExists(dir / "1"));
    EXPECT_TRUE(FileHolds(dir / "2", last.data));
}

TEST_F(TransferTest, AckFlagWithOnlyItsFirstByteSetCounts) {
    camsim::OutgoingPicture picture = Jpeg(700);
    picture.ackFlag = 0x0100;
    camsim::SendResult sent;
    ASSERT_TRUE(Transfer(picture, file, &sent));
    EXPECT_TRUE(sent.headerAck.Matches());
    EXPECT_TRUE(sent.finalAck.received);
}

TEST_F(TransferTest, HexTextAcceptsLowerCaseAndAnswersUpperCase) {
    camsim::OutgoingPicture picture = Jpeg(2000);
    picture.encoding = camsim::Encoding::HexLower;
    camsim::SendResult sent;
    ASSERT_TRUE(Transfer(picture, file, &sent));
    EXPECT_TRUE(sent.headerAck.Matches());
    EXPECT_TRUE(sent.headerAck.wellFormed);
    for (const auto& block : sent.blocks) {
        EXPECT_TRUE(block.acks.at(0).wellFormed);
    }
    EXPECT_TRUE(FileHolds(file, picture.data));
}

TEST_F(TransferTest, BlockSizeZeroWithAndWithoutFinalCheck) {
    for (const std::uint8_t checkFlag : {0, 1}) {
        SCOPED_TRACE("check flag " + std::to_string(checkFlag));
        camsim::OutgoingPicture picture = Jpeg(250, 0, checkFlag, 1);
        camsim::SendResult sent;
        ASSERT_TRUE(Transfer(picture, file, &sent));
        EXPECT_TRUE(FileHolds(file, picture.data));
        // No per-block answers, and the final one is the exclusive-or of all
        // data bytes.
        for (const auto& block : sent.blocks) {
            EXPECT_TRUE(block.acks.empty());
        }
        EXPECT_EQ(sent.finalAck.value, camsim::XorOf(picture.data));
    }
}

TEST_F(TransferTest, WrongFinalCheckFailsAndDeletes) {
    camsim::OutgoingPicture picture = Jpeg(250, 0, 1, 1);
    picture.faults.wrongFinalCheck = true;
    camsim::SendResult sent;
    EXPECT_FALSE(Transfer(picture, file, &sent));
    EXPECT_EQ(result.why, transfer::FailureCause::FinalCheckFailed);
    EXPECT_FALSE(FileExists(file));
    EXPECT_TRUE(sent.finalAck.received) << "the final answer goes out all the same";
}

TEST_F(TransferTest, BlockLargerThanThePictureGivesOneBlock) {
    camsim::OutgoingPicture picture = Jpeg(300, 1024);
    camsim::SendResult sent;
    ASSERT_TRUE(Transfer(picture, file, &sent));
    ASSERT_EQ(sent.blocks.size(), 1u);
    EXPECT_EQ(sent.blocks[0].length, 300u);
    EXPECT_TRUE(FileHolds(file, picture.data));
}

TEST_F(TransferTest, TwoRejectionsInARowAreForgivenThreeAreNot) {
    camsim::OutgoingPicture picture = Jpeg(1000);
    picture.faults.wrongCheckSends = {{1, 2}, {3, 1}};
    camsim::SendResult sent;
    ASSERT_TRUE(Transfer(picture, file, &sent));
    EXPECT_EQ(sent.blocks[1].sends, 3);
    EXPECT_EQ(sent.Resends(), 3);
    EXPECT_TRUE(FileHolds(file, picture.data)) << "rejected blocks store nothing";

    camsim::OutgoingPicture hopeless = Jpeg(1000);
    hopeless.faults.wrongCheckSends = {{2, 3}};
    EXPECT_FALSE(Transfer(hopeless, file, &sent));
    EXPECT_EQ(result.why, transfer::FailureCause::BlocksRejected);
    EXPECT_FALSE(FileExists(file));
    EXPECT_TRUE(sent.finalAck.received);
    // The picture value covers the rejected blocks and the check bytes taken.
    EXPECT_EQ(sent.finalAck.value, sent.finalAck.expected);
}

TEST_F(TransferTest, AcknowledgementsWithoutCheckBytes) {
    camsim::OutgoingPicture picture = Jpeg(600, 256, 0, 1);
    camsim::SendResult sent;
    ASSERT_TRUE(Transfer(picture, file, &sent));
    // Each answer is the exclusive-or of the block without its last byte.
    std::size_t offset = 0;
    for (const auto& block : sent.blocks) {
        const auto bytes = std::span(picture.data).subspan(offset, block.length);
        EXPECT_EQ(block.acks.at(0).value, camsim::XorOf(bytes.first(bytes.size() - 1)));
        offset += block.length;
    }
    EXPECT_EQ(sent.finalAck.value, camsim::XorOf(picture.data));
    EXPECT_TRUE(FileHolds(file, picture.data));
}

TEST_F(TransferTest, EmptyPictureInItsThreeForms) {
    // Per-block check bytes: one check byte is still taken, whatever it is.
    camsim::OutgoingPicture perBlock = Jpeg(0, 256, 1, 1);
    ASSERT_TRUE(Transfer(perBlock, file));
    EXPECT_EQ(ReadFile(file), "");
    EXPECT_EQ(events.Last<transfer::Progress>(), (transfer::Progress{640, 480, 0, 0}));
    EXPECT_EQ(port.BufferCount(), 0u);

    // Block size 0 with a final check byte, which must be 0.
    camsim::OutgoingPicture finalCheck = Jpeg(0, 0, 1, 1);
    ASSERT_TRUE(Transfer(finalCheck, file));
    EXPECT_TRUE(FileExists(file));

    // Neither: nothing but the header.
    camsim::OutgoingPicture bare = Jpeg(0, 0, 0, 0);
    ASSERT_TRUE(Transfer(bare, file));
    EXPECT_EQ(ReadFile(file), "");
}

TEST_F(TransferTest, SilenceInsideABlockUpToTwoEmptyReadsIsBridged) {
    camsim::OutgoingPicture picture = Jpeg(800);
    picture.faults.silence = camsim::Silence{1, 100, 120};
    ASSERT_TRUE(Transfer(picture, file));
    EXPECT_TRUE(FileHolds(file, picture.data));

    // Three empty reads of 100 ms in a row end the picture.
    picture.faults.silence = camsim::Silence{1, 100, 700};
    camsim::CameraOptions options = Unpaced();
    options.ackTimeout = std::chrono::milliseconds(300);
    camsim::SendResult sent;
    EXPECT_FALSE(Transfer(picture, file, &sent, options));
    EXPECT_FALSE(FileExists(file));
    EXPECT_EQ(events.Last<transfer::Progress>(), (transfer::Progress{640, 480, 256, 800}));
}

TEST_F(TransferTest, CutShortPictureFailsAndIsDeleted) {
    camsim::OutgoingPicture picture = Jpeg(5000);
    picture.faults.cutShortAfter = 3000;
    camsim::SendResult sent;
    EXPECT_FALSE(Transfer(picture, file, &sent));
    EXPECT_EQ(result.why, transfer::FailureCause::CutShort);
    EXPECT_EQ(result.figures.payloadBytes, 11u * 256) << "the whole blocks before the cut";
    EXPECT_FALSE(FileExists(file));
}

TEST_F(TransferTest, UncompressedPixelsStandUprightInGreyInTheBmp) {
    camsim::OutgoingPicture picture = Jpeg(10, 4, 1, 1);
    picture.kind = 0;
    picture.width = 5; // rows of 8 bytes in the bitmap
    picture.height = 2;
    ASSERT_TRUE(Transfer(picture, file));
    const std::string bmp = ReadFile(file);
    ASSERT_EQ(bmp.size(), 14u + 40u + 1024u + 16u);
    EXPECT_EQ(AsText(result.fileBytes), bmp) << "the bytes handed on are those written";
    EXPECT_EQ(bmp.substr(0, 2), "BM");
    for (const std::size_t entry : {0u, 1u, 128u, 255u}) {
        const auto grey = static_cast<char>(entry);
        EXPECT_EQ(bmp.substr(54 + 4 * entry, 4), (std::string{grey, grey, grey, '\0'}))
            << "colour-table entry " << entry;
    }
    // The file's first row is the camera's last.
    const std::string cameraRows = AsText(picture.data);
    EXPECT_EQ(bmp.substr(1078), cameraRows.substr(5, 5) + std::string(3, '\0') +
                                    cameraRows.substr(0, 5) + std::string(3, '\0'));
}

TEST_F(TransferTest, UncompressedPictureReadsBackAsSentInAnotherReader) {
    const std::string python = testsupport::FindPythonWithImaging();
    if (python.empty()) {
        GTEST_SKIP() << "python3 with PIL is not installed";
    }
    struct Case {
        std::uint16_t width;
        std::uint16_t height;
        std::size_t sent;
    };
    // Odd widths need padding; bytes beyond the picture are dropped, missing
    // ones read as 0.
    for (const Case& each :
         {Case{161, 3, 161 * 3}, Case{7, 5, 35}, Case{7, 5, 40}, Case{7, 5, 30}}) {
        SCOPED_TRACE(testing::Message()
                     << each.width << "x" << each.height << ", " << each.sent << " bytes");
        camsim::OutgoingPicture picture = Jpeg(each.sent, 64, 1, 1);
        picture.kind = 0;
        picture.width = each.width;
        picture.height = each.height;
        ASSERT_TRUE(Transfer(picture, file));
        const testsupport::ForeignView view = testsupport::ReadWithImaging(python, file);
        ASSERT_EQ(view.mode, "L") << view.printed.substr(0, 200);
        ASSERT_EQ(view.width, each.width);
        ASSERT_EQ(view.height, each.height);
        std::vector<int> expected(std::size_t{each.width} * each.height, 0);
        for (std::size_t i = 0; i < expected.size() && i < picture.data.size(); ++i) {
            expected[i] = picture.data[i];
        }
        EXPECT_EQ(view.values, expected);
    }
}

TEST_F(TransferTest, ImpossibleBitmapFailsWithoutCrashing) {
    // 65535 x 65535 pixels would need 4 GiB; the receiver refuses the memory.
    camsim::OutgoingPicture picture = Jpeg(400);
    picture.kind = 0;
    picture.width = 65535;
    picture.height = 65535;
    camsim::SendResult sent;
    EXPECT_FALSE(Transfer(picture, file, &sent));
    EXPECT_EQ(result.why, transfer::FailureCause::PixelMemoryRefused);
    EXPECT_FALSE(FileExists(file));
    // The receiver gave up after the first block; its final answer reached the
    // camera while the camera waited for the second block's answer.
    EXPECT_NE(sent.outcome, camsim::Outcome::Completed);
}

TEST_F(TransferTest, StopWhileSearchingLeavesNoFile) {
    testsupport::WriteFile(file, "earlier picture");
    std::thread stopper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        stop.request_stop();
    });
    EXPECT_EQ(Receive(file).outcome, transfer::TransferResult::Outcome::NoPicture);
    stopper.join();
    EXPECT_EQ(ReadFile(file), "earlier picture") << "a call that opens nothing leaves files alone";
    EXPECT_EQ(events.Count<transfer::WaitingForHeader>(), 1u);
}

TEST_F(TransferTest, StopAfterTheLastBlockStillDeletes) {
    camsim::OutgoingPicture picture = Jpeg(600);
    // Writes: header answer, three block answers, then the final answer.
    port.beforeWrite = [this](int write) {
        if (write == 5) {
            stop.request_stop();
        }
    };
    camsim::SendResult sent;
    EXPECT_FALSE(Transfer(picture, file, &sent));
    EXPECT_FALSE(FileExists(file));
    EXPECT_TRUE(sent.finalAck.received);
    EXPECT_EQ(result.why, transfer::FailureCause::Stopped);
}

TEST_F(TransferTest, ShortHexAnswers) {
    camsim::CameraOptions options = Unpaced();
    options.ackTimeout = std::chrono::milliseconds(300);
    camsim::OutgoingPicture picture = Jpeg(600);
    picture.encoding = camsim::Encoding::HexUpper;

    // The header's answer short: no file at all.
    port.shortFromWrite = 1;
    EXPECT_FALSE(Transfer(picture, file, nullptr, options));
    EXPECT_FALSE(FileExists(file));
    port.ClearBuffer();

    // A block answer short: the picture ends, the final answer is tried too
    // (and is short as well), so the file stays as written so far.
    port.writes = 0;
    port.shortFromWrite = 3;
    EXPECT_FALSE(Transfer(picture, file, nullptr, options));
    EXPECT_EQ(ReadFile(file),
              AsText(std::vector(picture.data.begin(), picture.data.begin() + 256)));
    port.ClearBuffer();

    // Only the final answer short: the whole picture is written, kept, and
    // still reported as failed.
    port.writes = 0;
    port.shortFromWrite = 5;
    EXPECT_FALSE(Transfer(picture, file, nullptr, options));
    EXPECT_TRUE(FileHolds(file, picture.data));
}

TEST_F(TransferTest, FileThatCannotBeCreated) {
    const std::string nowhere = dir / "missing-folder/picture.jpg";
    camsim::SendResult sent;
    camsim::CameraOptions options = Unpaced();
    options.ackTimeout = std::chrono::milliseconds(300);
    EXPECT_FALSE(Transfer(Jpeg(300), nowhere, &sent, options));
    EXPECT_EQ(result.why, transfer::FailureCause::FileNotCreated);
    EXPECT_EQ(result.detail, "No such file or directory") << "the system's reason goes with it";
    EXPECT_TRUE(sent.headerAck.Matches()) << "the header was answered before the open";
    EXPECT_FALSE(FileExists(nowhere));
}

TEST_F(TransferTest, FullDiskEndsThePictureAsIncomplete) {
    struct rlimit old {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);

    camsim::SendResult sent;
    const bool received = Transfer(Jpeg(12345), file, &sent);

    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(received) << "a picture that did not reach the disk is no success";
    EXPECT_EQ(result.why, transfer::FailureCause::WriteFailed);
    EXPECT_EQ(result.detail, "File too large");
    EXPECT_FALSE(FileExists(file));
    EXPECT_NE(sent.outcome, camsim::Outcome::Completed);
}

TEST_F(TransferTest, LateCheckByteNeverLetsAShortBlockThrough) {
    // The last data byte of the first block equals the exclusive-or of the
    // others, so that block, judged without its late check byte, would look
    // whole one byte short; the late check byte and the second block would
    // then pass as a two-byte block, and the picture would seem complete.
    camsim::OutgoingPicture picture = Jpeg(257, 256, 1, 0);
    picture.data[255] = camsim::XorOf(std::span(picture.data).first(255));
    if (picture.data[255] == 0) {
        picture.data[0] ^= 1;
        picture.data[255] = 1;
    }
    picture.faults.silence = camsim::Silence{0, 256, 250};
    const bool received = Transfer(picture, file);
    if (received) {
        EXPECT_TRUE(FileHolds(file, picture.data)) << "a success must hold the picture's bytes";
    } else {
        EXPECT_FALSE(FileExists(file));
    }
}

// A check byte held up less than the three empty reads that end a block (a
// loaded machine, an adapter's latency) is waited for like a data byte: the
// picture arrives whole, after a block check and after the final check.
TEST_F(TransferTest, ACheckByteLateByLessThanTheDataWaitStillCounts) {
    struct Case {
        const char* name;
        std::uint16_t blockSize;
        camsim::Encoding encoding;
    };
    for (const Case& late : {Case{"block check, binary", 256, camsim::Encoding::Binary},
                             Case{"block check, hex", 256, camsim::Encoding::HexUpper},
                             Case{"final check, binary", 0, camsim::Encoding::Binary},
                             Case{"final check, hex", 0, camsim::Encoding::HexUpper}}) {
        SCOPED_TRACE(late.name);
        camsim::OutgoingPicture picture = Jpeg(700, late.blockSize, 1, 0);
        picture.encoding = late.encoding;
        const std::uint32_t lastBlock = late.blockSize == 0 ? 6 : 2;
        const std::uint32_t lastLength = late.blockSize == 0 ? 100 : 700 - 2 * 256;
        picture.faults.silence = camsim::Silence{lastBlock, lastLength, 150};
        EXPECT_TRUE(Transfer(picture, file));
        EXPECT_TRUE(FileHolds(file, picture.data));
        port.ClearBuffer();
    }
}

// Blocks far larger than the receive buffer, answered block by block, from a
// camera that writes as fast as the line takes bytes: the buffer fills, the
// camera is held back, and nothing is lost.
TEST_F(TransferTest, BlocksLargerThanTheBufferArriveWhole) {
    for (const auto encoding : {camsim::Encoding::Binary, camsim::Encoding::HexUpper}) {
        for (const std::uint16_t blockSize : {16384, 65535}) {
            SCOPED_TRACE(std::to_string(blockSize) +
                         (encoding == camsim::Encoding::HexUpper ? " hex" : " binary"));
            camsim::OutgoingPicture picture = Jpeg(140000, blockSize, 1, 1);
            picture.encoding = encoding;
            camsim::SendResult sent;
            ASSERT_TRUE(Transfer(picture, file, &sent));
            EXPECT_TRUE(FileHolds(file, picture.data));
            for (const auto& block : sent.blocks) {
                EXPECT_EQ(block.acks.size(), 1u) << "no block was sent twice";
            }
        }
    }
}

// A consumer that falls behind (the picture file is a pipe read slowly, as a
// stalled disk would take it) holds the camera back instead of losing bytes.
TEST_F(TransferTest, SlowPictureFileLosesNothing) {
    const std::string pipe = dir / "slow-disk";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    camsim::OutgoingPicture picture = Jpeg(120000, 0, 0, 0);
    std::vector<std::uint8_t> written;
    std::thread disk([&] {
        const int in = ::open(pipe.c_str(), O_RDONLY | O_CLOEXEC);
        std::uint8_t chunk[512];
        for (ssize_t got; (got = ::read(in, chunk, sizeof chunk)) > 0;) {
            written.insert(written.end(), chunk, chunk + got);
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        ::close(in);
    });
    EXPECT_TRUE(Transfer(picture, pipe));
    disk.join();
    EXPECT_EQ(written, picture.data);
}
