#include "DisplayFileLocation.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

std::string DisplayFileLocation(const std::string& folder, const std::string& name) {
    const QFileInfo named(folder.empty() ? QDir::currentPath() : QString::fromStdString(folder));
    if (named.isDir() && named.isWritable()) {
        return folder + name;
    }
    const QString cache =
        QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) + "/Zelnor";
    // A cache folder that cannot be made leaves the named place: the worker
    // then says that the file cannot be written, as it always did.
    if (!QDir().mkpath(cache)) {
        return folder + name;
    }
    return (cache + "/").toStdString() + name;
}
