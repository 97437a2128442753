#pragma once

#include "platform/NoCopy.h"
#include "tools/linesim/Relay.h"
#include "tools/pty/PseudoTerminal.h"

#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace linesimtest {

using Bytes = std::vector<std::uint8_t>;

// The line simulator's relay running on a thread of the test between two
// pseudo-terminals; the test plays both ends on their slave sides. Throws
// std::runtime_error when the pseudo-terminals cannot be had.
class LineOnThread : private platform::NoCopy {
public:
    explicit LineOnThread(const linesim::LineOptions& options);
    ~LineOnThread();

    const std::string& PathA() const { return endA.SlavePath(); }
    const std::string& PathB() const { return endB.SlavePath(); }
    // Ends the relay and returns its final counts.
    linesim::LineCounts Stop();

private:
    tools::PseudoTerminal endA;
    tools::PseudoTerminal endB;
    std::unique_ptr<linesim::Relay> relay;
    std::thread runner;
};

// What each end received when both wrote at the same time.
struct Exchange {
    Bytes atB;
    Bytes atA;
};

// Writes fromA at end A and fromB at end B at the same time, and reads at
// each end until the other's bytes are all there or nothing has come for
// quiet; the ends are opened for this exchange and closed after it.
Exchange ExchangeBytes(const LineOnThread& line, const Bytes& fromA, const Bytes& fromB,
                       std::chrono::milliseconds quiet = std::chrono::milliseconds(500));

} // namespace linesimtest
