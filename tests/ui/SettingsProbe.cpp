// Reads or writes one setting through the settings store, so that a test can
// run the store under another executable name: settings_probe read KEY, or
// settings_probe write KEY VALUE. Prints the value read.
#include "ui/SettingsStore.h"

#include <QCoreApplication>
#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    if (argc == 3 && std::string(argv[1]) == "read") {
        std::printf("%d\n", SettingsStore::ReadInt(SettingsStore::kCommunication, argv[2], 7777));
        return 0;
    }
    if (argc == 4 && std::string(argv[1]) == "write") {
        const auto value = static_cast<std::int32_t>(std::strtol(argv[3], nullptr, 10));
        return SettingsStore::WriteInt(SettingsStore::kCommunication, argv[2], value) ? 0 : 1;
    }
    return 2;
}
