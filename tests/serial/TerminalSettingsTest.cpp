#include "serial/TerminalSettings.h"

#include <gtest/gtest.h>

namespace {

constexpr tcflag_t kFormat = CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS;

// A record as a terminal comes out of the box: canonical, echoing, with
// translations and blocking reads.
termios CookedTerminal() {
    termios terminal{};
    terminal.c_iflag = ICRNL | IXON | IXANY | ISTRIP | IGNCR;
    terminal.c_oflag = OPOST | ONLCR;
    terminal.c_lflag = ICANON | ECHO | ECHOE | ISIG | IEXTEN;
    terminal.c_cflag = CS7 | PARENB | PARODD | HUPCL;
    terminal.c_cc[VMIN] = 1;
    terminal.c_cc[VTIME] = 5;
    ::cfsetspeed(&terminal, B2400);
    return terminal;
}

LineSettings Parsed(const char* text) {
    LineSettings settings;
    EXPECT_TRUE(ParseLineSettings(text, settings)) << text;
    return settings;
}

} // namespace

TEST(TerminalSettings, MakesTheTerminalRawWithReadsThatAnswerAtOnce) {
    termios terminal = CookedTerminal();
    serial::SetLineFormat(terminal, Parsed("9600,n,8,1"));
    EXPECT_EQ(terminal.c_iflag & (ICRNL | IXON | IXOFF | IXANY | ISTRIP | IGNCR), 0u);
    EXPECT_EQ(terminal.c_oflag & OPOST, 0u);
    EXPECT_EQ(terminal.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
    EXPECT_EQ(terminal.c_cflag & kFormat, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(terminal.c_cflag & (CLOCAL | CREAD), static_cast<tcflag_t>(CLOCAL | CREAD));
    EXPECT_EQ(terminal.c_cc[VMIN], 0);
    EXPECT_EQ(terminal.c_cc[VTIME], 0);
    EXPECT_EQ(::cfgetospeed(&terminal), B2400) << "the speed is set apart";
}

TEST(TerminalSettings, CarriesEveryCharacterFormat) {
    const struct {
        const char* text;
        tcflag_t format;
        tcflag_t inputFlow;
    } cases[] = {
        {"9600,e,7,2", CS7 | PARENB | CSTOPB, 0},
        {"9600,o,8,1", CS8 | PARENB | PARODD, 0},
        {"9600,m,6,1", CS6 | PARENB | PARODD | CMSPAR, 0},
        {"9600,s,8,1", CS8 | PARENB | CMSPAR, 0},
        {"9600,n,5,1.5", CS5 | CSTOPB, 0},
        {"9600,n,8,1,x", CS8, IXON | IXOFF},
        {"9600,n,8,1,p", CS8 | CRTSCTS, 0},
    };
    for (const auto& each : cases) {
        SCOPED_TRACE(each.text);
        termios terminal = CookedTerminal();
        serial::SetLineFormat(terminal, Parsed(each.text));
        EXPECT_EQ(terminal.c_cflag & kFormat, each.format);
        EXPECT_EQ(terminal.c_iflag & (IXON | IXOFF | IXANY), each.inputFlow);
    }
}

TEST(TerminalSettings, KnowsWhichSpeedsHaveACode) {
    speed_t code = B0;
    ASSERT_TRUE(serial::FindStandardSpeed(115200, code));
    EXPECT_EQ(code, static_cast<speed_t>(B115200));
    ASSERT_TRUE(serial::FindStandardSpeed(50, code));
    EXPECT_EQ(code, static_cast<speed_t>(B50));
    ASSERT_TRUE(serial::FindStandardSpeed(4000000, code));
    EXPECT_EQ(code, static_cast<speed_t>(B4000000));
    EXPECT_FALSE(serial::FindStandardSpeed(250000, code));
    EXPECT_FALSE(serial::FindStandardSpeed(0, code));
    EXPECT_FALSE(serial::FindStandardSpeed(115201, code));
}

TEST(TerminalSettings, SpeedCountsAsTakenWithinTwoPercent) {
    const struct {
        std::uint32_t asked, input, output;
        bool runs;
    } cases[] = {
        {115200, 115200, 115200, true},
        {115200, 0, 115200, true},
        {250000, 0, 245500, true},
        {250000, 0, 230400, false},
        {4000000, 0, 115200, false},
        {57600, 250000, 57600, false},
        {9600, 0, 0, false},
    };
    for (const auto& each : cases) {
        SCOPED_TRACE(std::to_string(each.asked) + " " + std::to_string(each.input) + " " +
                     std::to_string(each.output));
        EXPECT_EQ(serial::RunsAtSpeed(each.asked, each.input, each.output), each.runs);
    }
}
