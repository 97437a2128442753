#pragma once

#include <cstdint>

class SerialPort;
class WorkerContext;

// Opens the line a worker talks to the camera on, at speed: the context's
// device path where it names one, else its COM port n; always 8 data bits,
// no parity, one stop bit.
bool OpenWorkerPort(const WorkerContext& context, SerialPort& port, std::int32_t speed);
