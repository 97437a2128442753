#include "ApplicationName.h"

#include "platform/ExecutablePath.h"

QString ApplicationName() {
    return QString::fromStdString(platform::ExecutableBaseName());
}
