#include "WorkerPort.h"

#include "WorkerContext.h"
#include "serial/SerialPort.h"

#include <string>

namespace {
constexpr const char* kLineFormat = "n,8,1";
}

bool OpenWorkerPort(const WorkerContext& context, SerialPort& port, std::int32_t speed) {
    const std::string device = context.DevicePath();
    return device.empty() ? port.Open(context.port, speed, kLineFormat)
                          : port.OpenDevice(device, speed, kLineFormat);
}
