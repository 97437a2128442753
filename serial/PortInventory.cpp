#include "PortInventory.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <unistd.h>

#include "PortNames.h"

namespace serial {

namespace {

namespace fs = std::filesystem;

constexpr int kComPorts = 9;

// A built-in port counts when the kernel found a UART behind it: its type in
// sysfs is not PORT_UNKNOWN (0). That needs neither rights on the device nor
// opening it, which would raise its modem lines; TIOCGSERIAL would need both,
// and the sysfs driver link is there for placeholders without hardware too.
bool HasUart(const std::string& name) {
    std::ifstream type("/sys/class/tty/" + name + "/type");
    int code = 0;
    return (type >> code) && code != 0;
}

bool IsCandidate(const std::string& name) {
    for (const char* prefix : {"ttyUSB", "ttyACM"}) {
        if (name.rfind(prefix, 0) == 0) {
            return true;
        }
    }
    return name.rfind("ttyS", 0) == 0 && HasUart(name);
}

// The stable names of the devices, by the device each stands for.
std::map<std::string, std::string> StableNames() {
    std::map<std::string, std::string> names;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator("/dev/serial/by-id", error)) {
        const auto device = fs::canonical(entry.path(), error);
        if (!error) {
            names[device.string()] = entry.path().string();
        }
    }
    return names;
}

} // namespace

std::vector<PortRow> InventoryComPorts() {
    const auto folder = PortsFolder();
    std::vector<PortRow> rows;
    for (int n = 1; n <= kComPorts; ++n) {
        const auto port = ResolvePort(n);
        PortRow row;
        row.name = port.name;
        if (!folder.empty() && port.path.rfind(folder + "/", 0) == 0) {
            row.entry = port.path;
        }
        row.device = port.device;
        row.present = ::access(port.path.c_str(), F_OK) == 0;
        row.readable = ::access(port.path.c_str(), R_OK) == 0;
        row.writable = ::access(port.path.c_str(), W_OK) == 0;
        if (row.present) {
            row.holder = FindDeviceHolder(port.device);
        }
        rows.push_back(row);
    }
    return rows;
}

std::vector<SerialDevice> UnnamedSerialDevices(const std::vector<PortRow>& rows) {
    const auto stableNames = StableNames();
    std::vector<SerialDevice> devices;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator("/dev", error)) {
        const std::string device = entry.path().string();
        const bool named = std::any_of(rows.begin(), rows.end(),
                                       [&](const PortRow& row) { return row.device == device; });
        if (named || !IsCandidate(entry.path().filename().string())) {
            continue;
        }
        const auto stable = stableNames.find(device);
        devices.push_back({device, stable == stableNames.end() ? std::string() : stable->second});
    }
    std::sort(devices.begin(), devices.end(),
              [](const SerialDevice& a, const SerialDevice& b) { return a.device < b.device; });
    return devices;
}

} // namespace serial
