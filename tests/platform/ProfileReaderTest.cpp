#include "platform/ProfileReader.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

using platform::ReadProfileString;
using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

class ProfileReaderTest : public ::testing::Test {
protected:
    TempDir dir;
    std::string path = dir / "test.INI";
};

} // namespace

TEST_F(ProfileReaderTest, MatchesSectionAndKeyWithoutRegardToCase) {
    WriteFile(path, "[Main]\r\nCurrentLanguage=English\r\n[English]\nQX_IDOK=2B\n");
    EXPECT_EQ(ReadProfileString("main", "currentlanguage", "Error", path), "English");
    EXPECT_EQ(ReadProfileString("MAIN", "CURRENTLANGUAGE", "Error", path), "English");
    EXPECT_EQ(ReadProfileString("english", "qx_idok", "Error", path), "2B");
}

TEST_F(ProfileReaderTest, RemovesBlanksAroundKeysAndValues) {
    WriteFile(path, "  [ Main ]  \n   CurrentLanguage   =  \t English text \t \r\n");
    EXPECT_EQ(ReadProfileString("Main", "CurrentLanguage", "Error", path), "English text");
}

TEST_F(ProfileReaderTest, DefaultForMissingFileSectionOrKey) {
    WriteFile(path, "[Main]\nCurrentLanguage=English\n");
    EXPECT_EQ(ReadProfileString("Main", "CurrentLanguage", "Error", dir / "absent.INI"), "Error");
    EXPECT_EQ(ReadProfileString("Other", "CurrentLanguage", "Error", path), "Error");
    EXPECT_EQ(ReadProfileString("Main", "Missing", "Error", path), "Error");
}

TEST_F(ProfileReaderTest, KeysOfOtherSectionsAreNotFound) {
    WriteFile(path, "[A]\nkey=one\n[B]\nkey=two\n[C]\n");
    EXPECT_EQ(ReadProfileString("B", "key", "d", path), "two");
    EXPECT_EQ(ReadProfileString("C", "key", "d", path), "d");
}

TEST_F(ProfileReaderTest, FirstSectionAndFirstKeyWin) {
    WriteFile(path, "[A]\nkey=one\nKEY=other\n[a]\nkey=two\n");
    EXPECT_EQ(ReadProfileString("A", "key", "d", path), "one");
}

TEST_F(ProfileReaderTest, EmptyValueIsNotTheDefault) {
    WriteFile(path, "[A]\nkey=\n");
    EXPECT_EQ(ReadProfileString("A", "key", "d", path), "");
}

TEST_F(ProfileReaderTest, CommentsAndLinesWithoutEqualsAreSkipped) {
    WriteFile(path, "[A]\n;key=commented\nnoise\nkey=real\n");
    EXPECT_EQ(ReadProfileString("A", "key", "d", path), "real");
}

TEST_F(ProfileReaderTest, LongValueIsCutTo4094Characters) {
    const std::string value(5000, 'A');
    WriteFile(path, "[A]\nkey=" + value + "\n");
    const std::string read = ReadProfileString("A", "key", "d", path);
    EXPECT_EQ(read.size(), 4094u);
    EXPECT_EQ(read, value.substr(0, 4094));
}
