#include "DialogEnvironment.h"

#include "platform/OrganisationName.h"
#include "ui/ApplicationName.h"

#include <QDir>
#include <QFile>
#include <QSettings>

namespace uitest {

DialogEnvironment::DialogEnvironment(const std::map<std::string, std::string>& texts,
                                     const std::string& currentLanguage)
    : previousCurrentFolder(QDir::currentPath()),
      language(std::make_unique<TestLanguage>(folder, texts, currentLanguage)) {
    QDir().mkpath(QString::fromStdString(folder / "config"));
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope,
                       QString::fromStdString(folder / "config"));
    QDir::setCurrent(QString::fromStdString(folder.Path()));
}

DialogEnvironment::~DialogEnvironment() {
    QDir::setCurrent(previousCurrentFolder);
}

QString DialogEnvironment::SettingsFile() const {
    return QString::fromStdString(folder / "config") + "/" + platform::kOrganisationName + "/" +
           ApplicationName() + ".ini";
}

bool DialogEnvironment::SettingsFileExists() const {
    return QFile::exists(SettingsFile());
}

} // namespace uitest
