#include "ControlStates.h"

ControlStates ControlStatesFor(bool connected, bool workerRunning) {
    constexpr ControlState kShownEnabled{true, true};
    constexpr ControlState kShownDisabled{false, true};
    constexpr ControlState kHidden{true, false};
    constexpr ControlState kDisabled{false, std::nullopt};
    constexpr ControlState kEnabled{true, std::nullopt};

    if (workerRunning) {
        // Stop sits where the start action put it; only a picture worker or a
        // disconnect (connected) insists on it being shown.
        return ControlStates{.connect = kDisabled,
                             .disconnect = kDisabled,
                             .liveMode = kDisabled,
                             .continuousCapture = kDisabled,
                             .stop = connected ? kShownEnabled : kEnabled,
                             .portList = kDisabled,
                             .speedList = kDisabled};
    }
    if (connected) {
        return ControlStates{.connect = kShownDisabled,
                             .disconnect = kShownEnabled,
                             .liveMode = kShownEnabled,
                             .continuousCapture = kShownEnabled,
                             .stop = kHidden,
                             .portList = kDisabled,
                             .speedList = kDisabled};
    }
    return ControlStates{.connect = kShownEnabled,
                         .disconnect = kShownDisabled,
                         .liveMode = kDisabled,
                         .continuousCapture = kDisabled,
                         .stop = kHidden,
                         .portList = kEnabled,
                         .speedList = kEnabled};
}
