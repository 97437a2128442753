#include "LowLatency.h"

#include <cerrno>
#include <linux/serial.h>
#include <sys/ioctl.h>

namespace serial {

namespace {

// A pseudo-terminal answers ENOTTY, some USB adapters EINVAL or
// EOPNOTSUPP, and a driver that checks the other fields of the record may
// answer EPERM to a user without administrator rights.
bool Unsupported(int error) {
    return error == ENOTTY || error == EINVAL || error == EPERM || error == EOPNOTSUPP;
}

} // namespace

int RequestLowLatency(int descriptor) {
    serial_struct record{};
    if (::ioctl(descriptor, TIOCGSERIAL, &record) != 0) {
        return Unsupported(errno) ? 0 : errno;
    }
    if ((record.flags & ASYNC_LOW_LATENCY) != 0) {
        return 0;
    }
    record.flags |= ASYNC_LOW_LATENCY;
    if (::ioctl(descriptor, TIOCSSERIAL, &record) != 0) {
        return Unsupported(errno) ? 0 : errno;
    }
    return 0;
}

} // namespace serial
