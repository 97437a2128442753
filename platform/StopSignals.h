#pragma once

#include "NoCopy.h"

#include <csignal>
#include <vector>

namespace platform {

struct StopSignalSettings {
    // Handler to call after the signal is recorded. It runs inside the
    // handler, so it may only do what a handler may: store to lock-free
    // atomics, write(2) and the like.
    using Hook = void (*)(int signalNumber);

    std::vector<int> caught{SIGINT, SIGTERM};
    // With it, a call the signal interrupts carries on by itself (for code
    // that does not expect EINTR, Qt's event loop among it); without it, a
    // waiting poll returns at once and its caller can look at Raised().
    bool restartCalls = false;
    // A pipe that becomes readable on every signal, for an event loop to
    // watch. When it cannot be made nothing is caught: the signals keep
    // their default action rather than be recorded where nobody looks.
    bool wakePipe = false;
    Hook hook = nullptr;
};

// While the object lives, the signals of its settings (SIGINT and SIGTERM
// unless told otherwise) ask the program to stop instead of ending it: the
// handler records the newest of them in a lock-free atomic and, if asked to,
// wakes the pipe and calls the hook. The old handlers come back when the
// object goes. The handler's state is the process's, so one object at a time.
class StopSignals : private NoCopy {
public:
    StopSignals();
    explicit StopSignals(StopSignalSettings settings);
    ~StopSignals();

    // False when nothing is caught: the wake pipe could not be made.
    bool Catching() const { return !previous.empty(); }
    bool Raised() const { return Which() != 0; }
    // The newest signal caught since the object was made; 0 before any.
    int Which() const;

    // Readable from a signal until DrainWake(); -1 without a pipe.
    int WakeDescriptor() const { return wakeRead; }
    // Empties the wake pipe; true when a signal had written to it.
    bool DrainWake();

private:
    struct Previous {
        int signalNumber;
        struct sigaction action;
    };
    std::vector<Previous> previous;
    int wakeRead = -1;
    int wakeWrite = -1;
};

} // namespace platform
