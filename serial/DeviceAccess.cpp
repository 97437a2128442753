#include "DeviceAccess.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace serial {

int OpenExclusive(const std::string& path, int& error) {
    const int descriptor = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0) {
        error = errno;
        return -1;
    }
    if (::ioctl(descriptor, TIOCEXCL) != 0 || ::flock(descriptor, LOCK_EX | LOCK_NB) != 0) {
        error = errno;
        ::close(descriptor);
        return -1;
    }
    error = 0;
    return descriptor;
}

void CloseExclusive(int descriptor) {
    if (descriptor < 0) {
        return;
    }
    ::ioctl(descriptor, TIOCNXCL);
    ::close(descriptor); // also releases the flock
}

std::string DescribeOpenFailure(const PortDevice& port, int error) {
    std::string text = port.name + " (" + port.device + "): ";
    switch (error) {
    case EBUSY:
    case EWOULDBLOCK:
        return text + "the device is in use by another program or port";
    case EACCES:
        return text + std::strerror(error) +
               "; to use a serial port the user must be in the dialout group (log in again after "
               "adding)";
    case ENOTTY:
        return text + "not a serial device";
    default:
        return text + std::strerror(error);
    }
}

} // namespace serial
