#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "HeadlessOptions.h"
#include "serial/PortInventory.h"

namespace headless {

// The table of --list-ports: one row per COM name, then the serial devices
// that no COM name leads to.
void PrintPortTable(std::FILE* out, const std::string& portsFolder,
                    const std::vector<serial::PortRow>& rows,
                    const std::vector<serial::SerialDevice>& unnamed);

// --list-ports; the exit status.
int ListPorts();

// --map-port N DEVICE; the exit status. A device that is not there is
// mapped all the same (an adapter that is unplugged), with a warning.
int MapPort(const HeadlessOptions& options, const std::string& programName);

} // namespace headless
