#pragma once

class SerialPort;
class WorkerContext;

// After the line of an open port was lost: tells the operator, closes the
// port and opens the context's port again every half second, the name
// resolved anew each time (an adapter plugged back in comes as another
// device), until it opens or Stop is asked. True once the port is open again
// with an empty buffer; false on Stop, and at once when the context asks for
// no reconnecting (the worker's end is then LineLost).
bool ReopenLostLine(WorkerContext& context, SerialPort& port);
