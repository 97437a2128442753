#pragma once

#include <string>

#include "PortNames.h"

namespace serial {

// Opens path as a serial device that nobody else may use while it is open:
// read and write, non-blocking (reads answer at once), never as the
// controlling terminal, and not inherited by programs started later. The
// exclusion is twofold, TIOCEXCL against further opens of the terminal and an
// exclusive flock against every other user of the device file, since the
// first is ignored for root and racy on its own. Returns the descriptor, or
// -1 with the reason in error.
int OpenExclusive(const std::string& path, int& error);

// Lifts the exclusion and closes the descriptor. The terminal's exclusive
// mode would otherwise outlive this use while anyone else keeps it open.
void CloseExclusive(int descriptor);

// A sentence for the operator: the COM name, the device it stands for, and
// what went wrong with advice where there is some.
std::string DescribeOpenFailure(const PortDevice& port, int error);

} // namespace serial
