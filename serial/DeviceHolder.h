#pragma once

#include <optional>
#include <string>
#include <sys/types.h>

namespace serial {

// Another program that has a device in use.
struct DeviceHolder {
    pid_t pid = 0;
    std::string program; // its name as the system shows it; empty if unknown
};

// The short name of a running program, from /proc/<pid>/comm; empty when it
// cannot be read.
std::string ProgramName(pid_t pid);

// Another process of ours to see that has device open. Our own process does
// not count, nor does a process that also holds the master side of the same
// pseudo-terminal: that one is the line's far end (a simulator or a terminal
// emulator), not a second user of the line.
std::optional<DeviceHolder> FindDescriptorHolder(const std::string& device);

// Who else uses device, as far as can be seen: the owner of its lock file
// when that is a live process other than ours, else a holder of an open
// descriptor.
std::optional<DeviceHolder> FindDeviceHolder(const std::string& device);

} // namespace serial
