// Kept apart: the kernel's termios2 cannot share a file with <termios.h>.
#include "RawDevice.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

namespace camsim {

bool SetCustomSpeed(int fd, long bitsPerSecond) {
    struct termios2 settings {};
    if (::ioctl(fd, TCGETS2, &settings) != 0) {
        return false;
    }
    settings.c_cflag &= ~static_cast<tcflag_t>(CBAUD);
    settings.c_cflag |= BOTHER;
    settings.c_ispeed = static_cast<speed_t>(bitsPerSecond);
    settings.c_ospeed = static_cast<speed_t>(bitsPerSecond);
    return ::ioctl(fd, TCSETS2, &settings) == 0;
}

} // namespace camsim
