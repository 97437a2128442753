#include "serial/LineSettings.h"

#include <gtest/gtest.h>
#include <string>

namespace {

using Parity = LineSettings::Parity;
using StopBits = LineSettings::StopBits;

struct GoodText {
    std::string text;
    std::int32_t speed;
    Parity parity;
    int dataBits;
    StopBits stopBits;
    bool xonXoff;
    bool rtsCts;
};

} // namespace

TEST(LineSettings, ReadsTheTextTheWorkersPass) {
    LineSettings settings;
    settings.dtrRaised = true; // the parser does not touch what the text does not name
    ASSERT_TRUE(ParseLineSettings("115200,n,8,1", settings));
    EXPECT_EQ(settings.speed, 115200);
    EXPECT_EQ(settings.parity, Parity::None);
    EXPECT_EQ(settings.dataBits, 8);
    EXPECT_EQ(settings.stopBits, StopBits::One);
    EXPECT_FALSE(settings.xonXoff);
    EXPECT_FALSE(settings.rtsCts);
    EXPECT_FALSE(settings.dtrRaised);
    EXPECT_FALSE(settings.rtsRaised);
}

TEST(LineSettings, ReadsEveryFormat) {
    const GoodText texts[] = {
        {"9600,E,7,2", 9600, Parity::Even, 7, StopBits::Two, false, false},
        {"300,o,6,1", 300, Parity::Odd, 6, StopBits::One, false, false},
        {"1200,m,5,1.5", 1200, Parity::Mark, 5, StopBits::OneAndHalf, false, false},
        {"2400,S,8,2", 2400, Parity::Space, 8, StopBits::Two, false, false},
        {" 4800 , N ,\t8 , 1 ", 4800, Parity::None, 8, StopBits::One, false, false},
        {"250000,n,8,1,x", 250000, Parity::None, 8, StopBits::One, true, false},
        {"57600,n,8,1,P", 57600, Parity::None, 8, StopBits::One, false, true},
        {"2147483647,n,8,1", 2147483647, Parity::None, 8, StopBits::One, false, false},
    };
    for (const auto& good : texts) {
        SCOPED_TRACE(good.text);
        LineSettings settings;
        ASSERT_TRUE(ParseLineSettings(good.text, settings));
        EXPECT_EQ(settings.speed, good.speed);
        EXPECT_EQ(settings.parity, good.parity);
        EXPECT_EQ(settings.dataBits, good.dataBits);
        EXPECT_EQ(settings.stopBits, good.stopBits);
        EXPECT_EQ(settings.xonXoff, good.xonXoff);
        EXPECT_EQ(settings.rtsCts, good.rtsCts);
    }
}

TEST(LineSettings, RefusesMalformedTextsAndLeavesTheRecordAlone) {
    const char* texts[] = {
        "",
        "-1,n,8,1", // what the dialog passes when no speed is chosen
        "0,n,8,1",
        "+9600,n,8,1",
        "2147483648,n,8,1",
        "99999999999999999999,n,8,1",
        "96 00,n,8,1",
        "abc,n,8,1",
        "9600",
        "9600,n,8",
        "9600,n,8,1,",
        "9600,n,8,1,x,x",
        "9600,,8,1",
        "9600,q,8,1",
        "9600,nn,8,1",
        "9600,n,9,1",
        "9600,n,4,1",
        "9600,n,88,1",
        "9600,n,8,3",
        "9600,n,8,0",
        "9600,n,8,1.5", // 1.5 stop bits exist only with 5-bit characters
        "1200,n,5,2",   // and 2 stop bits only with longer ones
        "9600,n,8,1,z",
        ",n,8,1",
    };
    for (const char* text : texts) {
        SCOPED_TRACE(text);
        LineSettings settings;
        settings.speed = 4242;
        settings.parity = Parity::Odd;
        settings.dataBits = 6;
        EXPECT_FALSE(ParseLineSettings(text, settings));
        EXPECT_EQ(settings.speed, 4242);
        EXPECT_EQ(settings.parity, Parity::Odd);
        EXPECT_EQ(settings.dataBits, 6);
    }
}
