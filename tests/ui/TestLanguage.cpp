#include "TestLanguage.h"

#include "language/LanguageText.h"
#include "language/Scramble.h"

namespace uitest {

std::map<std::string, std::string> TestTexts() {
    return {
        {"QX_CAPTION", "Camera control"},
        {"QX_IDOK", "Connect now"},
        {"QX_IDCANCEL", "Quit"},
        {"QX_IDC_GET_JPEG", "Capture JPEGs"},
        {"QX_IDC_LIVE_JPEG", "Live view"},
        {"QX_IDC_CONNECTION", "Line"},
        {"QX_IDC_PICTURES", "Pictures"},
        {"QX_IDC_ABORT", "Halt"},
        {"QX_IDC_DISCONNECT", "Hang up"},
        {"STRING_IDS_SPEED1", "9600"},
        {"STRING_IDS_SPEED2", "19200 baud"},
        {"STRING_IDS_SPEED3", " 38400"},
        {"STRING_IDS_SPEED4", "fast"},
        {"STRING_IDS_SPEED5", "115200"},
        {"STRING_IDS_TEMP_JPG", "ui-test-display.jpg"},
        {"STRING_IDS_SAVE_JPEG_FILTER", "JPEG pictures|*.jpg;*.jpeg|All files (*)|*||"},
        {"STRING_IDS_SAVE_JPEG_TITLE", "Capture into"},
        {"STRING_IDS_DISCONNECTED", "Line hung up"},
        {"VIEW_CAPTION", "Newest picture"},
    };
}

TestLanguage::TestLanguage(const testsupport::TempDir& folder,
                           const std::map<std::string, std::string>& texts,
                           const std::string& currentLanguage)
    : path(folder / "Zelnor2.INI") {
    std::string contents = "[Main]\n";
    if (!currentLanguage.empty()) {
        contents += "CurrentLanguage=" + currentLanguage + "\n";
    }
    contents += "[Testish]\n";
    for (const auto& [key, text] : texts) {
        contents += key + "=" + language::Scramble(text, language::ScrambleKey(key)) + "\n";
    }
    testsupport::WriteFile(path, contents);
    LanguageText::SetLanguageFileForTesting(path);
}

TestLanguage::~TestLanguage() {
    LanguageText::SetLanguageFileForTesting("");
}

} // namespace uitest
