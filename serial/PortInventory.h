#pragma once

#include <optional>
#include <string>
#include <vector>

#include "DeviceHolder.h"

namespace serial {

// What one COM name leads to, for an operator looking for the camera.
struct PortRow {
    std::string name;   // COM3
    std::string entry;  // its entry in the ports folder; empty when it has none
    std::string device; // the device it resolves to (the /dev/ttyS fallback without an entry)
    bool present = false;
    bool readable = false; // by this user
    bool writable = false;
    std::optional<DeviceHolder> holder; // another program using it, where seen
};

// COM1 to COM9, in that order.
std::vector<PortRow> InventoryComPorts();

// A serial device of this machine.
struct SerialDevice {
    std::string device;     // /dev/ttyUSB0
    std::string stableName; // its /dev/serial/by-id link, if it has one
};

// The serial devices present that none of rows leads to: USB adapters
// (ttyUSB, ttyACM, with their by-id names) and built-in ports with a UART.
std::vector<SerialDevice> UnnamedSerialDevices(const std::vector<PortRow>& rows);

} // namespace serial
