#include "DeviceAccess.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include "LockFile.h"

namespace serial {

namespace {

// The device a descriptor of ours leads to, as the lock file was named after
// it at the open.
std::string DeviceOf(int descriptor) {
    char target[PATH_MAX] = {};
    const auto link = "/proc/self/fd/" + std::to_string(descriptor);
    const auto length = ::readlink(link.c_str(), target, sizeof target - 1);
    return length > 0 ? std::string(target, static_cast<std::size_t>(length)) : std::string();
}

bool IsExclusive(int descriptor) {
    int exclusive = 0;
    return ::ioctl(descriptor, TIOCGEXCL, &exclusive) == 0 && exclusive != 0;
}

// TIOCEXCL and flock on a fresh descriptor; on failure the terminal's
// exclusive mode is put back as it was, for it belongs to the terminal, not
// to this descriptor, and would otherwise lock out every later user.
int MakeExclusive(int descriptor) {
    const bool wasExclusive = IsExclusive(descriptor);
    if (::ioctl(descriptor, TIOCEXCL) != 0) {
        return errno;
    }
    if (::flock(descriptor, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        if (!wasExclusive) {
            ::ioctl(descriptor, TIOCNXCL);
        }
        return error;
    }
    return 0;
}

} // namespace

int OpenExclusive(const PortDevice& port, OpenRefusal& refusal) {
    refusal = {};
    const LockOutcome lock = TakeLock(port.device, refusal.holder);
    if (lock == LockOutcome::Held) {
        refusal.error = EBUSY;
        return -1;
    }
    const auto giveUp = [&](int error) {
        if (lock == LockOutcome::Taken) {
            ReleaseLock(port.device);
        }
        refusal.error = error;
        return -1;
    };
    if ((refusal.holder = FindDescriptorHolder(port.device))) {
        return giveUp(EBUSY);
    }
    const int descriptor = ::open(port.path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0) {
        return giveUp(errno);
    }
    if (const int error = MakeExclusive(descriptor); error != 0) {
        ::close(descriptor);
        return giveUp(error);
    }
    return descriptor;
}

void CloseExclusive(int descriptor) {
    if (descriptor < 0) {
        return;
    }
    const auto device = DeviceOf(descriptor);
    ::ioctl(descriptor, TIOCNXCL);
    ::close(descriptor); // also releases the flock
    if (!device.empty()) {
        ReleaseLock(device);
    }
}

std::string DescribeOpenFailure(const PortDevice& port, int error,
                                const std::optional<DeviceHolder>& holder) {
    std::string text = port.Label() + ": ";
    if (holder) {
        const auto program = holder->program.empty() ? "another program" : holder->program;
        return text + "the device is in use by " + program + " (PID " +
               std::to_string(holder->pid) + ")";
    }
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
