#include "PortCommands.h"

#include <algorithm>
#include <cstring>
#include <unistd.h>

#include "serial/PortMapping.h"
#include "serial/PortNames.h"

namespace headless {

namespace {

struct Cells {
    std::string port, entry, device, present, access, state;
};

std::string Access(const serial::PortRow& row) {
    if (!row.present) {
        return "-";
    }
    return std::string(row.readable ? "r" : "-") + (row.writable ? "w" : "-");
}

std::string State(const serial::PortRow& row) {
    if (!row.present) {
        return "-";
    }
    if (!row.holder) {
        return "free";
    }
    const auto program = row.holder->program.empty() ? "?" : row.holder->program;
    return "busy: " + program + " (PID " + std::to_string(row.holder->pid) + ")";
}

Cells CellsOf(const serial::PortRow& row) {
    return {row.name,
            row.entry.empty() ? "(none)" : row.entry.substr(row.entry.find_last_of('/') + 1),
            row.device,
            row.present ? "yes" : "no",
            Access(row),
            State(row)};
}

} // namespace

void PrintPortTable(std::FILE* out, const std::string& portsFolder,
                    const std::vector<serial::PortRow>& rows,
                    const std::vector<serial::SerialDevice>& unnamed) {
    std::vector<Cells> table{{"PORT", "ENTRY", "DEVICE", "PRESENT", "ACCESS", "STATE"}};
    for (const auto& row : rows) {
        table.push_back(CellsOf(row));
    }
    std::size_t entryWidth = 0;
    std::size_t deviceWidth = 0;
    for (const auto& cells : table) {
        entryWidth = std::max(entryWidth, cells.entry.size());
        deviceWidth = std::max(deviceWidth, cells.device.size());
    }
    std::fprintf(out, "Ports folder: %s\n",
                 portsFolder.empty() ? "(none: no home folder)" : portsFolder.c_str());
    for (const auto& cells : table) {
        std::fprintf(out, "%-5s %-*s %-*s %-7s %-6s %s\n", cells.port.c_str(),
                     static_cast<int>(entryWidth), cells.entry.c_str(),
                     static_cast<int>(deviceWidth), cells.device.c_str(), cells.present.c_str(),
                     cells.access.c_str(), cells.state.c_str());
    }
    std::fprintf(out, "\nSerial devices no COM name leads to:\n");
    if (unnamed.empty()) {
        std::fprintf(out, "  (none)\n");
    }
    for (const auto& device : unnamed) {
        std::fprintf(out, "  %s%s%s\n", device.device.c_str(),
                     device.stableName.empty() ? "" : "  stable name: ", device.stableName.c_str());
    }
}

int ListPorts() {
    const auto rows = serial::InventoryComPorts();
    PrintPortTable(stdout, serial::PortsFolder(), rows, serial::UnnamedSerialDevices(rows));
    return kExitOk;
}

int MapPort(const HeadlessOptions& options, const std::string& programName) {
    const char* program = programName.c_str();
    const char* device = options.path.c_str();
    if (::access(device, F_OK) != 0) {
        std::fprintf(stderr, "%s: warning: %s is not there now; COM%d will lead to it once it is\n",
                     program, device, options.port);
    }
    if (const int error = serial::MapPort(options.port, options.path); error != 0) {
        std::fprintf(stderr, "%s: cannot make COM%d lead to %s in %s: %s\n", program, options.port,
                     device, serial::PortsFolder().c_str(), std::strerror(error));
        return kExitFailure;
    }
    std::printf("COM%d -> %s\n", options.port, device);
    return kExitOk;
}

} // namespace headless
