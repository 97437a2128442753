#pragma once

#include "TestLanguage.h"
#include "platform/NoCopy.h"
#include "tests/support/TempDir.h"
#include "ui/MainDialogTemplate.h"

#include <QPushButton>
#include <QString>
#include <QWidget>
#include <map>
#include <memory>
#include <string>

namespace uitest {

// What a dialog test runs in: a fresh folder that is the settings location
// and the current folder, and a language file of test texts. The previous
// current folder and language come back when the object goes.
class DialogEnvironment : private platform::NoCopy {
public:
    explicit DialogEnvironment(const std::map<std::string, std::string>& texts = TestTexts(),
                               const std::string& currentLanguage = "Testish");
    ~DialogEnvironment();

    const testsupport::TempDir& Folder() const { return folder; }
    // The settings file of this program.
    QString SettingsFile() const;
    bool SettingsFileExists() const;

private:
    testsupport::TempDir folder;
    QString previousCurrentFolder;
    std::unique_ptr<TestLanguage> language;
};

template <typename Control> Control* FindControl(const QWidget* dialog, int id) {
    return dialog->findChild<Control*>(ControlObjectName(id));
}

inline QPushButton* FindButton(const QWidget* dialog, int id) {
    return FindControl<QPushButton>(dialog, id);
}

} // namespace uitest
