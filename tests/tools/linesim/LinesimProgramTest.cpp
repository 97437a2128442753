#include "tests/support/ChildProcess.h"
#include "tests/support/TempDir.h"
#include "tests/tools/LineEnd.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <regex>
#include <string>
#include <termios.h>
#include <unistd.h>

namespace {

using camsimtest::LineEnd;
using testsupport::ChildProcess;
using namespace std::chrono_literals;

const std::string kProgram = ZELNOR2_LINESIM_PATH;

// The value of key in the report line of a direction ("A->B" or "B->A"),
// from the last report in the output.
std::string ReportField(const std::string& output, const std::string& direction,
                        const std::string& key) {
    const std::regex line("(^|\n)" + direction + " [^\n]*\\b" + key + "=([^ \n]+)");
    std::string value;
    for (auto it = std::sregex_iterator(output.begin(), output.end(), line);
         it != std::sregex_iterator(); ++it) {
        value = (*it)[2];
    }
    return value;
}

TEST(LinesimProgram, CarriesBytesReportsOnRequestAndRemovesItsLinks) {
    testsupport::TempDir folder;
    const std::string pathA = folder / "COM1";
    const std::string pathB = folder / "far";
    ChildProcess linesim({kProgram, "--speed", "1000000", pathA, pathB});
    ASSERT_TRUE(linesim.Started());
    ASSERT_TRUE(linesim.WaitForOutput("at 1000000 bit/s", 10s)) << linesim.Errors();
    EXPECT_NE(linesim.Output().find("latency 10.0 us"), std::string::npos) << linesim.Output();

    {
        LineEnd a(pathA);
        LineEnd b(pathB);
        ASSERT_TRUE(a.IsOpen() && b.IsOpen());
        // Programs that ask their terminal for its speed see the line's.
        for (const std::string& path : {pathA, pathB}) {
            SCOPED_TRACE(path);
            const int fd = ::open(path.c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
            termios settings{};
            ASSERT_EQ(::tcgetattr(fd, &settings), 0);
            EXPECT_EQ(::cfgetospeed(&settings), static_cast<speed_t>(B1000000));
            ::close(fd);
        }
        a.Write("hello");
        b.Write("world!");
        EXPECT_EQ(camsimtest::ToText(b.Read(5, 5s)), "hello");
        EXPECT_EQ(camsimtest::ToText(a.Read(6, 5s)), "world!");
    }

    linesim.Signal(SIGUSR1);
    ASSERT_TRUE(linesim.WaitForOutput("B->A carried=", 10s)) << linesim.Output();
    EXPECT_EQ(ReportField(linesim.Output(), "A->B", "carried"), "5");
    EXPECT_EQ(ReportField(linesim.Output(), "B->A", "carried"), "6");
    EXPECT_EQ(ReportField(linesim.Output(), "A->B", "busy"), "0.000050");
    EXPECT_EQ(ReportField(linesim.Output(), "B->A", "dropped"), "0");
    EXPECT_NE(ReportField(linesim.Output(), "A->B", "first"), "-");

    linesim.Signal(SIGTERM);
    EXPECT_EQ(linesim.Wait(10s), 0) << linesim.Errors();
    EXPECT_FALSE(testsupport::FileExists(pathA));
    EXPECT_FALSE(testsupport::FileExists(pathB));
    // The final report follows the one asked for.
    const std::string& output = linesim.Output();
    EXPECT_NE(output.find("A->B carried=5"), output.rfind("A->B carried=5"));
}

TEST(LinesimProgram, FaultsAreAnnouncedAndUsageMistakesRefused) {
    testsupport::TempDir folder;
    {
        ChildProcess linesim({kProgram, "--error-rate", "0.5", "--faults-from", "a", "--seed", "11",
                              "--realtime", folder / "a", folder / "b"});
        ASSERT_TRUE(linesim.WaitForOutput("faults from a", 10s)) << linesim.Errors();
        // Real-time scheduling where the system grants it, a warning where not.
        EXPECT_TRUE(linesim.Output().find("real-time") != std::string::npos ||
                    linesim.Errors().find("no real-time scheduling") != std::string::npos)
            << linesim.Output() << linesim.Errors();
        LineEnd a(folder / "a");
        LineEnd b(folder / "b");
        const camsimtest::Bytes sent = camsimtest::Pattern(400);
        a.Write(sent);
        b.Write(sent);
        const camsimtest::Bytes atB = b.Read(sent.size(), 5s);
        const camsimtest::Bytes atA = a.Read(sent.size(), 5s);
        EXPECT_EQ(atB.size(), sent.size());
        EXPECT_NE(atB, sent) << "half the bytes from A should be hit";
        EXPECT_EQ(atA, sent) << "bytes from B are not to be faulted";
        linesim.Signal(SIGINT);
        EXPECT_EQ(linesim.Wait(10s), 0);
    }
    const std::vector<std::vector<std::string>> mistakes = {
        {folder / "only-one"},
        {folder / "same", folder / "same"},
        {"--error-rate", "1.5", folder / "a", folder / "b"},
        {"--error-rate", "0.6", "--drop-rate", "0.6", folder / "a", folder / "b"},
        {"--speed", "0", folder / "a", folder / "b"},
        {"--faults-from", "c", folder / "a", folder / "b"},
        {"--latency", folder / "a", folder / "b"},
        {"--colour", "red", folder / "a", folder / "b"},
    };
    for (const auto& arguments : mistakes) {
        SCOPED_TRACE(testing::PrintToString(arguments));
        std::vector<std::string> command = {kProgram};
        command.insert(command.end(), arguments.begin(), arguments.end());
        ChildProcess linesim(command);
        EXPECT_EQ(linesim.Wait(10s), 64);
        EXPECT_NE(linesim.Errors().find("usage:"), std::string::npos);
        EXPECT_FALSE(testsupport::FileExists(folder / "a"));
    }
}

} // namespace
