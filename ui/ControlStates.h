#pragma once

#include <optional>

// What the refresh does with one control: enable or disable it, and show or
// hide it, or leave its visibility as the last start action left it (the
// pressed button hidden and Stop in its place) when visible is empty.
struct ControlState {
    bool enabled = true;
    std::optional<bool> visible;
};

// The controls that follow the link and the worker; every other control of
// the dialog stays enabled and shown.
struct ControlStates {
    ControlState connect;
    ControlState disconnect;
    ControlState liveMode;
    ControlState continuousCapture;
    ControlState stop;
    ControlState portList;
    ControlState speedList;
};

// The state of each control for the link marked connected or not, with or
// without a running worker. While a worker runs every start control is
// disabled, so no second worker can be started.
ControlStates ControlStatesFor(bool connected, bool workerRunning);
