#include "ModemLines.h"

#include <cerrno>
#include <sys/ioctl.h>

namespace serial {

int ChangeModemLines(int descriptor, int lines, bool raise) {
    if (::ioctl(descriptor, raise ? TIOCMBIS : TIOCMBIC, &lines) != 0) {
        return errno;
    }
    return 0;
}

bool ReadModemLines(int descriptor, int& lines) {
    return ::ioctl(descriptor, TIOCMGET, &lines) == 0;
}

bool ModemLinesUnsupported(int error) {
    return error == ENOTTY || error == EINVAL;
}

} // namespace serial
