#include "SettingsStore.h"

#include "ApplicationName.h"
#include "platform/OrganisationName.h"

#include <QSettings>
#include <QString>

namespace SettingsStore {

namespace {

QString GroupKey(std::string_view section, std::string_view key) {
    return QString::fromUtf8(section.data(), static_cast<qsizetype>(section.size())) + '/' +
           QString::fromUtf8(key.data(), static_cast<qsizetype>(key.size()));
}

// Built anew for every call so that the name of the running executable,
// and the location a test may have set, always count.
QSettings OpenStore() {
    return QSettings(QSettings::IniFormat, QSettings::UserScope, platform::kOrganisationName,
                     ApplicationName());
}

} // namespace

std::int32_t ReadInt(std::string_view section, std::string_view key, std::int32_t fallback) {
    const QVariant stored = OpenStore().value(GroupKey(section, key));
    if (!stored.isValid()) {
        return fallback;
    }
    bool isNumber = false;
    const int value = stored.toString().trimmed().toInt(&isNumber);
    return isNumber ? static_cast<std::int32_t>(value) : fallback;
}

bool WriteInt(std::string_view section, std::string_view key, std::int32_t value) {
    QSettings store = OpenStore();
    store.setValue(GroupKey(section, key), static_cast<int>(value));
    store.sync();
    return store.status() == QSettings::NoError;
}

} // namespace SettingsStore
