#include "language/TextEncoding.h"

#include <gtest/gtest.h>
#include <string>

namespace {

struct EncodingCase {
    const char* name;
    std::string stored;
    std::string utf8;
};

class TextEncodingTest : public ::testing::TestWithParam<EncodingCase> {};

TEST_P(TextEncodingTest, ReadsUtf8AsItIsAndAnythingElseAsWindows1252) {
    EXPECT_EQ(LanguageText::AsUtf8(GetParam().stored), GetParam().utf8);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, TextEncodingTest,
    ::testing::Values(EncodingCase{"Ascii", "Connect", "Connect"},
                      EncodingCase{"Utf8", "Caf\xC3\xA9 \xE2\x82\xAC 5",
                                   "Caf\xC3\xA9 \xE2\x82\xAC 5"},
                      EncodingCase{"Utf8FourBytes", "\xF0\x9F\x93\xB7", "\xF0\x9F\x93\xB7"},
                      EncodingCase{"LatinSmallEAcute", "Caf\xE9", "Caf\xC3\xA9"},
                      EncodingCase{"EuroSign", "\x80 5", "\xE2\x82\xAC 5"},
                      // 0x80-0x9F are where Windows-1252 is not Latin-1.
                      EncodingCase{"QuotesAndDashes", "\x84\x93\x94\x96\x97",
                                   "\xE2\x80\x9E\xE2\x80\x9C\xE2\x80\x9D\xE2\x80\x93\xE2\x80\x94"},
                      EncodingCase{"UnassignedKeepTheirNumber", "\x81\x9D", "\xC2\x81\xC2\x9D"},
                      EncodingCase{"NoBreakSpaceAndYDiaeresis", "\xA0\xFF", "\xC2\xA0\xC3\xBF"},
                      // Byte sequences that look like UTF-8 but are not well-formed.
                      EncodingCase{"CutSequence", "Caf\xC3", "Caf\xC3\x83"},
                      EncodingCase{"Overlong", "\xC0\xAF", "\xC3\x80\xC2\xAF"},
                      EncodingCase{"Surrogate", "\xED\xA0\x80", "\xC3\xAD\xC2\xA0\xE2\x82\xAC"},
                      EncodingCase{"Empty", "", ""}),
    [](const ::testing::TestParamInfo<EncodingCase>& info) { return info.param.name; });

} // namespace
