#pragma once

#include <string>

namespace serial {

// What a COM name stands for on this machine.
struct PortDevice {
    std::string name;   // "COM3"
    std::string path;   // what to open: the entry in the ports folder, or /dev/ttyS<n-1>
    std::string device; // where path leads after following links, for messages

    // "COM3 (/dev/ttyUSB0)" for messages; the name alone where it is the
    // device itself.
    std::string Label() const { return device == name ? name : name + " (" + device + ")"; }
};

// The folder whose entries COM1, COM2, ... (normally symbolic links such as
// COM1 -> /dev/ttyUSB0) say which device each COM name stands for:
// $ZELNOR2_PORTS when set, else $XDG_CONFIG_HOME/Zelnor/ports, else
// ~/.config/Zelnor/ports. Empty when none of these can be formed.
std::string PortsFolder();

// Resolves COM n: the ports folder's entry of that name when there is one
// (even a link to a device that is missing, so that the open reports it),
// otherwise the n-th built-in serial port /dev/ttyS<n-1>.
PortDevice ResolvePort(int n);

// A device named by its path (/dev/serial/by-id/..., /dev/ttyUSB0), outside
// the COM names: the path is its name in messages.
PortDevice NamedDevice(const std::string& path);

} // namespace serial
