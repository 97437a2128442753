#pragma once

#include "Direction.h"
#include "LineCounts.h"
#include "LineOptions.h"
#include "platform/NoCopy.h"

#include <atomic>
#include <functional>
#include <mutex>

namespace linesim {

// A null-modem line between two descriptors (normally the masters of two
// pseudo-terminals, whose slaves the programs at either end open): every
// byte written at one end is read at the other after the time the line
// needs for it.
class Relay : private platform::NoCopy {
public:
    using ReportHandler = std::function<void(const LineCounts&)>;

    // The descriptors stay the caller's; they are switched to non-blocking.
    Relay(int endA, int endB, const LineOptions& options);
    ~Relay();

    // False when the relay could not be set up (no wake-up descriptor).
    bool IsReady() const { return wakeup >= 0; }
    // Carries bytes until a stop is requested. A report request calls
    // onReport on this thread with the counts at that moment.
    void Run(const ReportHandler& onReport = {});

    // Safe from any thread and from a signal handler.
    void RequestStop();
    void RequestReport();

    // The counts as of the relay's last pass; safe from any thread.
    LineCounts Counts() const;

private:
    void Wake();
    void Publish();

    int endA = -1;
    int endB = -1;
    int wakeup = -1;
    std::atomic<bool> stopRequested{false};
    std::atomic<bool> reportRequested{false};
    Direction fromA;
    Direction fromB;
    mutable std::mutex countsLock;
    LineCounts published;
};

} // namespace linesim
