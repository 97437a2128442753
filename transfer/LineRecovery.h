#pragma once

class SerialPort;
struct WorkerRun;

enum class Recovery {
    Back,           // the port is open again, with an empty buffer
    Stopped,        // the run was asked to stop meanwhile
    NotReconnecting // the context asks for no reopening: the run ends
};

// After the line of an open port was lost: tells the run, closes the port and
// opens the run's port again every half second, the name resolved anew each
// time (an adapter plugged back in comes as another device), until it opens
// or the run is asked to stop.
Recovery ReopenLostLine(const WorkerRun& run, SerialPort& port);
