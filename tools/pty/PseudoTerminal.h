#pragma once

#include "platform/NoCopy.h"

#include <string>

namespace tools {

// A pseudo-terminal pair whose slave side stands in for a serial device: the
// program under test opens the slave (directly or through a link), and the
// owner of this object plays the far end on the master. The object keeps a
// descriptor of the slave open itself, so that the master does not see a
// hang-up each time the program closes its port.
class PseudoTerminal : private platform::NoCopy {
public:
    PseudoTerminal() = default;
    ~PseudoTerminal();

    // Creates the pair with both sides raw and the master non-blocking.
    bool Open(std::string& error);
    // Makes linkPath a symbolic link to the slave (an existing link or file
    // of that name is replaced); the link is removed with the object.
    bool LinkAs(const std::string& linkPath, std::string& error);

    int Master() const { return master; }
    const std::string& SlavePath() const { return slavePath; }

private:
    int master = -1;
    int slave = -1;
    std::string slavePath;
    std::string link;
};

} // namespace tools
