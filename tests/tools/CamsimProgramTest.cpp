// The zelnor2-camsim program: its command line, and serving a real
// photograph over a linked pseudo-terminal and over a device.

#include "LineEnd.h"
#include "WireBytes.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/TempDir.h"
#include "tests/support/WaitUntil.h"
#include "tools/camsim/CommandLine.h"
#include "tools/pty/PseudoTerminal.h"

#include <csignal>
#include <gtest/gtest.h>
#include <thread>

namespace camsimtest {

using testsupport::ChildProcess;
namespace {

const std::string kProgram = ZELNOR2_CAMSIM_PATH;
const std::string kPictures = ZELNOR2_TEST_PICTURES_DIR;

Bytes FileBytes(const std::string& path) {
    return ToBytes(testsupport::ReadFile(path));
}

TEST(CamsimProgram, HelpAndUsageMistakes) {
    ChildProcess help({kProgram, "--help"});
    EXPECT_EQ(help.Wait(20s), 0);
    EXPECT_NE(help.Output().find("usage: zelnor2-camsim"), std::string::npos);
    EXPECT_NE(help.Output().find("--cut-short"), std::string::npos);

    for (const std::vector<std::string>& args :
         {std::vector<std::string>{kProgram, "--no-such-option"},
          {kProgram, "--link", "/tmp/x", "--speed", "fast", "a.jpg"},
          {kProgram, "a.jpg"},
          {kProgram, "--link", "/tmp/x"},
          {kProgram, "--link", "/tmp/x", "--device", "/dev/null", "a.jpg"}}) {
        SCOPED_TRACE(testing::PrintToString(args));
        ChildProcess bad(args);
        EXPECT_EQ(bad.Wait(20s), 64);
        EXPECT_NE(bad.Errors().find("usage: zelnor2-camsim"), std::string::npos);
        EXPECT_TRUE(bad.Output().empty());
    }

    testsupport::TempDir folder;
    ChildProcess missing({kProgram, "--link", folder / "COM1", folder / "none.jpg"});
    EXPECT_EQ(missing.Wait(20s), 1);
    EXPECT_NE(missing.Errors().find("none.jpg"), std::string::npos);
    EXPECT_FALSE(testsupport::FileExists(folder / "COM1"));
}

TEST(CamsimProgram, CommandLineOptionsAndFaults) {
    camsim::Settings settings;
    std::string error;
    ASSERT_TRUE(camsim::ParseCommandLine({"--device",
                                          "/dev/ttyS0",
                                          "--speed",
                                          "115200",
                                          "--hex-lower",
                                          "--block-size",
                                          "0",
                                          "--ack-flag",
                                          "0x0100",
                                          "--check-flag",
                                          "0",
                                          "--count",
                                          "3",
                                          "--pause",
                                          "20",
                                          "a.jpg",
                                          "--raw",
                                          "160x120",
                                          "b.raw",
                                          "--garbage",
                                          "7",
                                          "--bad-sum",
                                          "--bad-check",
                                          "2:3",
                                          "--bad-check",
                                          "5",
                                          "--silence",
                                          "1:400",
                                          "--cut-short",
                                          "1000",
                                          "--bad-final-check",
                                          "--fault-picture",
                                          "2"},
                                         settings, error))
        << error;
    EXPECT_EQ(settings.devicePath, "/dev/ttyS0");
    EXPECT_EQ(settings.speed, 115200);
    EXPECT_EQ(settings.encoding, camsim::Encoding::HexLower);
    EXPECT_EQ(settings.blockSize, 0);
    EXPECT_EQ(settings.ackFlag, 0x0100);
    EXPECT_EQ(settings.checkFlag, 0);
    EXPECT_EQ(settings.count, 3u);
    EXPECT_EQ(settings.pauseMs, 20u);
    ASSERT_EQ(settings.files.size(), 2u);
    EXPECT_FALSE(settings.files[0].raw);
    EXPECT_TRUE(settings.files[1].raw);
    EXPECT_EQ(settings.files[1].width, 160);
    EXPECT_EQ(settings.files[1].height, 120);
    EXPECT_EQ(settings.faults.garbage.size(), 7u);
    EXPECT_TRUE(settings.faults.wrongHeaderSum);
    EXPECT_FALSE(settings.faults.wrongHeaderXor);
    EXPECT_EQ(settings.faults.wrongCheckSends, (std::map<std::uint32_t, int>{{2, 3}, {5, 1}}));
    ASSERT_TRUE(settings.faults.silence.has_value());
    EXPECT_EQ(settings.faults.silence->block, 1u);
    EXPECT_EQ(settings.faults.silence->milliseconds, 400);
    EXPECT_TRUE(settings.silenceInMiddle);
    EXPECT_EQ(settings.faults.cutShortAfter, 1000u);
    EXPECT_TRUE(settings.faults.wrongFinalCheck);
    EXPECT_EQ(settings.faultPicture, 2u);

    for (const std::vector<std::string>& bad :
         {std::vector<std::string>{"--link", "x", "--block-size", "65536", "a.jpg"},
          {"--link", "x", "--speed", "0", "a.jpg"},
          {"--link", "x", "--raw", "160", "a.raw"},
          {"--link", "x", "--raw", "160x120"},
          {"--link", "x", "--silence", "3", "a.jpg"},
          {"--link", "x", "--bad-check", "1:0", "a.jpg"},
          {"--link", "x", "--count", "-1", "a.jpg"}}) {
        SCOPED_TRACE(testing::PrintToString(bad));
        camsim::Settings ignored;
        error.clear();
        EXPECT_FALSE(camsim::ParseCommandLine(bad, ignored, error));
        EXPECT_FALSE(error.empty());
    }
}

TEST(CamsimProgram, ServesAPhotographOnALinkedPseudoTerminal) {
    testsupport::TempDir folder;
    const std::string link = folder / "COM1";
    const std::string path = kPictures + "/ladybird-160x120.jpg";
    const Bytes photo = FileBytes(path);
    ASSERT_GT(photo.size(), 1000u);

    ChildProcess camsim(
        {kProgram, "--link", link, "--unpaced", "--count", "1", "--block-size", "1024", path});
    ASSERT_TRUE(testsupport::WaitUntil([&] { return testsupport::FileExists(link); }))
        << camsim.Errors();
    LineEnd receiver(link);
    ASSERT_TRUE(receiver.IsOpen());

    const Bytes opening = receiver.Read(21);
    ASSERT_EQ(opening.size(), 21u);
    EXPECT_EQ(Slice(opening, 0, 2), (Bytes{0x55, 0xAA}));
    EXPECT_EQ(Slice(opening, 2, 19),
              Header(160, 120, static_cast<std::uint32_t>(photo.size()), 1024, 1, 1));
    receiver.Write(Bytes{XorOf(opening, 2, 17)});
    Bytes received;
    while (received.size() < photo.size()) {
        const std::size_t length = std::min<std::size_t>(1024, photo.size() - received.size());
        const Bytes block = receiver.ReadExactly(length + 1);
        ASSERT_EQ(block.size(), length + 1);
        ASSERT_EQ(block.back(), XorOf(block, 0, length));
        received.insert(received.end(), block.begin(), block.end() - 1);
        receiver.Write(Bytes{block.back()});
    }
    receiver.Write(Bytes{0x00});
    EXPECT_EQ(received, photo);

    EXPECT_EQ(camsim.Wait(20s), 0) << camsim.Errors();
    EXPECT_NE(camsim.Output().find("picture 1 (" + path + ", 160x120, " +
                                   std::to_string(photo.size()) + " bytes): completed"),
              std::string::npos)
        << camsim.Output();
    EXPECT_NE(camsim.Output().find("header ack "), std::string::npos);
    EXPECT_NE(camsim.Output().find("final ack 00"), std::string::npos);
    EXPECT_FALSE(testsupport::FileExists(link)) << "the link goes with the program";
}

TEST(CamsimProgram, EndsCleanlyOnSigtermWhileServingForEver) {
    for (int signal : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(signal == SIGTERM ? "SIGTERM" : "SIGINT");
        testsupport::TempDir folder;
        const std::string link = folder / "COM1";
        ChildProcess camsim(
            {kProgram, "--link", link, "--ack-timeout", "60000", kPictures + "/wood-160x120.jpg"});
        ASSERT_TRUE(camsim.WaitForOutput("serving on " + link, 20s)) << camsim.Errors();
        ASSERT_TRUE(testsupport::FileExists(link));
        std::this_thread::sleep_for(100ms); // into the wait for the header ack
        camsim.Signal(signal);
        EXPECT_EQ(camsim.Wait(20s), 0) << camsim.Errors();
        EXPECT_NE(camsim.Output().find("picture 1 "), std::string::npos);
        EXPECT_NE(camsim.Output().find(": stopped"), std::string::npos) << camsim.Output();
        EXPECT_FALSE(testsupport::FileExists(link));
    }
}

TEST(CamsimProgram, ServesRawPixelsOnADeviceInHexText) {
    tools::PseudoTerminal line;
    std::string error;
    ASSERT_TRUE(line.Open(error)) << error;
    const std::string path = kPictures + "/grey-160x120.raw";
    const Bytes pixels = FileBytes(path);
    ASSERT_EQ(pixels.size(), 19200u);

    ChildProcess camsim({kProgram, "--device", line.SlavePath(), "--speed", "115200", "--unpaced",
                         "--hex", "--ack-flag", "0", "--block-size", "0", "--count", "1", "--raw",
                         "160x120", path});
    ASSERT_TRUE(camsim.WaitForOutput("serving on", 20s)) << camsim.Errors();
    LineEnd master(line.Master());
    const Bytes wire = master.Read(2 + 38 + 2 * 19200 + 2, 20s);
    EXPECT_EQ(camsim.Wait(20s), 0) << camsim.Errors();

    ASSERT_EQ(wire.size(), 2u + 38u + 2u * 19200u + 2u);
    EXPECT_EQ(Slice(wire, 0, 2), (Bytes{0xAA, 0x55}));
    EXPECT_EQ(ToText(Slice(wire, 2, 38)), Hex(Header(160, 120, 19200, 0, 1, 0, 0)));
    EXPECT_EQ(ToText(Slice(wire, 40, 2 * 19200)), Hex(pixels));
    EXPECT_EQ(ToText(Slice(wire, 40 + 2 * 19200, 2)), Hex({XorOf(pixels)}));
    EXPECT_NE(camsim.Output().find("completed"), std::string::npos);
}

} // namespace
} // namespace camsimtest
