#pragma once

#include "platform/NoCopy.h"
#include "tests/support/TempDir.h"

#include <map>
#include <string>

namespace uitest {

// The texts the dialog tests run with; they differ from the shipped ones so
// that a test sees which text reached which control.
std::map<std::string, std::string> TestTexts();

// Writes a language file into folder and makes every lookup read it until the
// object goes. With currentLanguage empty, section "Main" has no
// CurrentLanguage entry.
class TestLanguage : private platform::NoCopy {
public:
    explicit TestLanguage(const testsupport::TempDir& folder,
                          const std::map<std::string, std::string>& texts = TestTexts(),
                          const std::string& currentLanguage = "Testish");
    ~TestLanguage();

    const std::string& Path() const { return path; }

private:
    std::string path;
};

} // namespace uitest
