#include "language/LanguageText.h"
#include "language/Scramble.h"
#include "tests/support/TempDir.h"

#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>

using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

class LanguageTextTest : public ::testing::Test {
protected:
    void SetUp() override { LanguageText::SetLanguageFileForTesting(file); }
    void TearDown() override { LanguageText::SetLanguageFileForTesting(""); }

    void WriteLanguage(const std::string& mainSection, const std::string& textLines) {
        WriteFile(file, "[Main]\n" + mainSection + "\n[English]\n" + textLines);
    }
    static std::string Entry(const std::string& key, const std::string& text) {
        return key + "=" + language::Scramble(text, language::ScrambleKey(key)) + "\n";
    }

    TempDir dir;
    std::string file = dir / "Zelnor2.INI";
};

std::string RunProbe(const std::string& program, const std::string& option = {}) {
    std::string output;
    FILE* pipe = popen(("'" + program + "' " + option).c_str(), "r");
    if (pipe == nullptr) {
        return output;
    }
    char buffer[512];
    while (fgets(buffer, sizeof buffer, pipe) != nullptr) {
        output += buffer;
    }
    pclose(pipe);
    return output;
}

} // namespace

TEST_F(LanguageTextTest, PlainLookupReturnsValueOrError) {
    WriteLanguage("CurrentLanguage=English", "");
    EXPECT_EQ(LanguageText::Lookup("Main", "CurrentLanguage", false), "English");
    EXPECT_EQ(LanguageText::Lookup("Main", "Missing", false), "Error");
}

TEST_F(LanguageTextTest, ScrambledLookupUnscramblesWithTheKeyLength) {
    WriteLanguage("CurrentLanguage=English",
                  Entry("QX_IDOK", "Connect") + "ABOUT_IDOK=4B6766666D6B7C\n");
    EXPECT_EQ(LanguageText::Lookup("English", "QX_IDOK", true), "Connect");
    EXPECT_EQ(LanguageText::Lookup("english", "qx_idok", true), "Connect");
    // The same stored value under a key of another length is another text.
    EXPECT_NE(LanguageText::Lookup("English", "ABOUT_IDOK", true), "Connect");
}

TEST_F(LanguageTextTest, MissingOrOddScrambledEntryGivesErrorBang) {
    WriteLanguage("CurrentLanguage=English", "QX_IDOK=4B6\nEMPTY=\n");
    EXPECT_EQ(LanguageText::Lookup("English", "QX_IDOK", true), "Error!");
    EXPECT_EQ(LanguageText::Lookup("English", "QX_CAPTION", true), "Error!");
    EXPECT_EQ(LanguageText::Lookup("Nowhere", "QX_IDOK", true), "Error!");
    EXPECT_EQ(LanguageText::Lookup("English", "EMPTY", true), "");
}

TEST_F(LanguageTextTest, MissingFileGivesErrorTexts) {
    LanguageText::SetLanguageFileForTesting(dir / "absent.INI");
    EXPECT_EQ(LanguageText::Lookup("Main", "CurrentLanguage", false), "Error");
    EXPECT_EQ(LanguageText::Lookup("English", "QX_IDOK", true), "Error!");
    EXPECT_FALSE(LanguageText::LoadCurrentLanguage());
}

TEST_F(LanguageTextTest, ZeroCharacterEndsTheText) {
    // For K = 8 the pair 08 decodes to character 0.
    WriteLanguage("CurrentLanguage=English", "QX_IDOK=4B084B\n");
    EXPECT_EQ(LanguageText::Lookup("English", "QX_IDOK", true), "C");
}

TEST_F(LanguageTextTest, CurrentLanguageIsLoadedAndChecked) {
    WriteLanguage("CurrentLanguage=English", Entry("VIEW_CAPTION", "Picture"));
    EXPECT_TRUE(LanguageText::LoadCurrentLanguage());
    EXPECT_EQ(LanguageText::CurrentLanguageName(), "English");
    EXPECT_EQ(LanguageText::Text("VIEW_CAPTION"), "Picture");
}

TEST_F(LanguageTextTest, ErrorInAnyCaseMeansNoLanguage) {
    for (const char* value : {"Error", "ERROR", "error", "eRRoR"}) {
        WriteLanguage(std::string("CurrentLanguage=") + value, "");
        EXPECT_FALSE(LanguageText::LoadCurrentLanguage()) << value;
    }
    WriteLanguage("", "");
    EXPECT_FALSE(LanguageText::LoadCurrentLanguage());
    WriteLanguage("CurrentLanguage=Errors", "");
    EXPECT_TRUE(LanguageText::LoadCurrentLanguage());
}

TEST_F(LanguageTextTest, SectionThatDoesNotExistGivesErrorBangEverywhere) {
    WriteLanguage("CurrentLanguage=Klingon", Entry("QX_IDOK", "Connect"));
    EXPECT_TRUE(LanguageText::LoadCurrentLanguage());
    EXPECT_EQ(LanguageText::Text("QX_IDOK"), "Error!");
}

TEST(LeadingNumber, ReadsLikeTheSpeedList) {
    EXPECT_EQ(LanguageText::LeadingNumber("115200"), 115200);
    EXPECT_EQ(LanguageText::LeadingNumber("  9600 bit/s"), 9600);
    EXPECT_EQ(LanguageText::LeadingNumber("+19200"), 19200);
    EXPECT_EQ(LanguageText::LeadingNumber("-5"), -5);
    EXPECT_EQ(LanguageText::LeadingNumber("Error!"), 0);
    EXPECT_EQ(LanguageText::LeadingNumber(""), 0);
    EXPECT_EQ(LanguageText::LeadingNumber("- 5"), 0);
    EXPECT_EQ(LanguageText::LeadingNumber("99999999999"), 2147483647);
}

TEST(LanguageFile, LiesBesideTheExecutableUnderItsOwnName) {
    TempDir dir;
    const std::string copy = dir / "Other";
    const std::string renamed = dir / "Cam.bin";
    std::filesystem::copy_file(LANGUAGE_PROBE_PATH, copy);
    std::filesystem::copy_file(LANGUAGE_PROBE_PATH, renamed);
    std::filesystem::permissions(copy, std::filesystem::perms::owner_all);
    std::filesystem::permissions(renamed, std::filesystem::perms::owner_all);
    WriteFile(dir / "Other.INI", "[Main]\nCurrentLanguage=FromOther\n");
    WriteFile(dir / "Cam.INI", "[Main]\nCurrentLanguage=FromCam\n");

    EXPECT_EQ(RunProbe(copy), dir / "Other.INI\nFromOther\n");
    // Only the last extension is replaced.
    EXPECT_EQ(RunProbe(renamed), dir / "Cam.INI\nFromCam\n");
    // The program file replaced while it runs: the same file is found.
    EXPECT_EQ(RunProbe(copy, "--replace-self"),
              dir / "Other.INI\nFromOther\n" + dir / "Other.INI\nFromOther\n");
}

TEST(LanguageFile, IsTheInstalledOneWhenNoneLiesBesideTheExecutable) {
    TempDir dir;
    std::filesystem::create_directories(dir / "usr/bin");
    std::filesystem::create_directories(dir / "usr/share/zelnor2");
    const std::string program = dir / "usr/bin/zelnor2-headless";
    std::filesystem::copy_file(LANGUAGE_PROBE_PATH, program);
    std::filesystem::permissions(program, std::filesystem::perms::owner_all);
    const std::string installed = dir / "usr/share/zelnor2/Zelnor2.INI";
    WriteFile(installed, "[Main]\nCurrentLanguage=Installed\n");

    EXPECT_EQ(RunProbe(program), installed + "\nInstalled\n");
    // One beside the program comes first, as in a build folder.
    WriteFile(dir / "usr/bin/zelnor2-headless.INI", "[Main]\nCurrentLanguage=Beside\n");
    EXPECT_EQ(RunProbe(program), dir / "usr/bin/zelnor2-headless.INI\nBeside\n");
    // With neither, the place beside the program is the one named.
    std::filesystem::remove(dir / "usr/bin/zelnor2-headless.INI");
    std::filesystem::remove(installed);
    EXPECT_EQ(RunProbe(program), dir / "usr/bin/zelnor2-headless.INI\nError\n");
}
