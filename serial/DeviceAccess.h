#pragma once

#include <optional>
#include <string>

#include "DeviceHolder.h"
#include "PortNames.h"

namespace serial {

// Why OpenExclusive refused: an errno value, and the other program when it
// could be seen who has the device.
struct OpenRefusal {
    int error = 0;
    std::optional<DeviceHolder> holder;
};

// Opens the port's device so that nobody else may use it while it is open:
// read and write, non-blocking (reads answer at once), never as the
// controlling terminal, and not inherited by programs started later. A
// device that another program is seen to have (its lock file, an open
// descriptor) is refused before it is touched, since opening a serial device
// already changes its modem lines. The exclusion is then threefold: our own
// lock file for programs that honour the convention, TIOCEXCL against
// further opens of the terminal and an exclusive flock against every other
// user of the device file, since TIOCEXCL is ignored for root and racy on
// its own. Returns the descriptor, or -1 with the reason in refusal.
int OpenExclusive(const PortDevice& port, OpenRefusal& refusal);

// Lifts the exclusion, removes our lock file and closes the descriptor. The
// terminal's exclusive mode would otherwise outlive this use while anyone
// else keeps it open.
void CloseExclusive(int descriptor);

// A sentence for the operator: the COM name, the device it stands for, and
// what went wrong with advice where there is some; the program that has the
// device when it is known.
std::string DescribeOpenFailure(const PortDevice& port, int error,
                                const std::optional<DeviceHolder>& holder = std::nullopt);

} // namespace serial
