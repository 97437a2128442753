#include "platform/ProfileReader.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <ostream>
#include <string>

using platform::ReadProfileString;
using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

class ProfileReaderTest : public ::testing::Test {
protected:
    TempDir dir;
    std::string path = dir / "test.INI";
};

// One look-up in a file of the given text, with "Error" as the default.
struct Lookup {
    const char* name;
    std::string file;
    std::string section;
    std::string key;
    std::string expected;
};

void PrintTo(const Lookup& lookup, std::ostream* out) {
    *out << lookup.name;
}

const std::string kTwoSections = "[Main]\r\nCurrentLanguage=English\r\n[English]\nQX_IDOK=2B\n";
const std::string kThreeSections = "[A]\nkey=one\n[B]\nkey=two\n[C]\n";

const Lookup kLookups[] = {
    {"SectionAndKeyInSmallLetters", kTwoSections, "main", "currentlanguage", "English"},
    {"SectionAndKeyInCapitals", kTwoSections, "MAIN", "CURRENTLANGUAGE", "English"},
    {"SecondSectionInAnotherCase", kTwoSections, "english", "qx_idok", "2B"},
    {"BlanksAroundKeysAndValuesGo", "  [ Main ]  \n   CurrentLanguage   =  \t English text \t \r\n",
     "Main", "CurrentLanguage", "English text"},
    {"MissingSectionGivesTheDefault", kTwoSections, "Other", "CurrentLanguage", "Error"},
    {"MissingKeyGivesTheDefault", kTwoSections, "Main", "Missing", "Error"},
    {"KeyOfTheSectionAskedFor", kThreeSections, "B", "key", "two"},
    {"KeysOfOtherSectionsAreNotFound", kThreeSections, "C", "key", "Error"},
    {"FirstSectionAndFirstKeyWin", "[A]\nkey=one\nKEY=other\n[a]\nkey=two\n", "A", "key", "one"},
    {"EmptyValueIsNotTheDefault", "[A]\nkey=\n", "A", "key", ""},
    {"CommentsAndLinesWithoutEqualsAreSkipped", "[A]\n;key=commented\nnoise\nkey=real\n", "A",
     "key", "real"},
};

class ProfileLookup : public ProfileReaderTest, public ::testing::WithParamInterface<Lookup> {};

} // namespace

TEST_P(ProfileLookup, FindsTheValueOrGivesTheDefault) {
    const Lookup& lookup = GetParam();
    WriteFile(path, lookup.file);
    EXPECT_EQ(ReadProfileString(lookup.section, lookup.key, "Error", path), lookup.expected);
}

INSTANTIATE_TEST_SUITE_P(Rules, ProfileLookup, ::testing::ValuesIn(kLookups),
                         [](const ::testing::TestParamInfo<Lookup>& info) {
                             return std::string(info.param.name);
                         });

TEST_F(ProfileReaderTest, MissingFileGivesTheDefault) {
    EXPECT_EQ(ReadProfileString("Main", "CurrentLanguage", "Error", dir / "absent.INI"), "Error");
}

TEST_F(ProfileReaderTest, LongValueIsCutTo4094Characters) {
    const std::string value(5000, 'A');
    WriteFile(path, "[A]\nkey=" + value + "\n");
    const std::string read = ReadProfileString("A", "key", "d", path);
    EXPECT_EQ(read.size(), 4094u);
    EXPECT_EQ(read, value.substr(0, 4094));
}
