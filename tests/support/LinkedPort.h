#pragma once

#include "platform/NoCopy.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "ScopedEnvironment.h"
#include "TempDir.h"
#include "tools/pty/PseudoTerminal.h"

namespace testsupport {

// A serial line for tests: a pseudo-terminal whose slave the program opens as
// COM n, through a temporary ports folder that ZELNOR2_PORTS points at while
// the object lives. The test plays the far end (the camera) on the master.
// Lock files go to a folder of the object's own (ZELNOR2_LOCK_DIR), so that
// tests leave the system's lock folder alone.
// Construction throws std::runtime_error when the arrangement cannot be made.
class LinkedPort : private platform::NoCopy {
public:
    explicit LinkedPort(int portNumber = 1);
    ~LinkedPort();

    int PortNumber() const { return portNumber; }
    const std::string& PortsFolder() const { return folder.Path(); }
    const std::string& SlavePath() const { return terminal->SlavePath(); }
    std::string LockFolder() const { return folder / "lock"; }
    int Master() const { return terminal->Master(); }

    // Pulls the adapter out: the far end closes, so that the program's
    // descriptor hangs up, and COM n leads to a device that is not there.
    void Unplug();
    // Plugs it back in as another device: a new pseudo-terminal, COM n
    // linked to its slave.
    void PlugBack();

    // Makes COM n of the same folder lead to this line too (or to any other
    // path), for tests of two names for one device.
    void LinkAlso(int n, const std::string& target = {});

    // Writes all bytes at the far end; false when they could not all be
    // written within the limit (nobody reads the line).
    bool Send(std::span<const std::uint8_t> bytes,
              std::chrono::milliseconds limit = std::chrono::seconds(10));
    bool Send(std::string_view bytes, std::chrono::milliseconds limit = std::chrono::seconds(10));

    // Collects what arrives at the far end until count bytes are there or the
    // limit runs out, and returns what came (at most count bytes).
    std::vector<std::uint8_t> Receive(std::size_t count, std::chrono::milliseconds limit);

    // Throws away whatever has reached the far end so far.
    void DiscardReceived();

private:
    int portNumber = 1;
    TempDir folder;
    std::unique_ptr<tools::PseudoTerminal> terminal;
    ScopedEnvironment portsVariable;
    ScopedEnvironment lockVariable;
};

} // namespace testsupport
