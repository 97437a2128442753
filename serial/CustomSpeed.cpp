// The kernel's own termios2 record lives here alone: its header defines a
// struct termios of its own that cannot meet the C library's <termios.h> in
// one translation unit.
#include "CustomSpeed.h"

#include <asm/termbits.h>
#include <cerrno>
#include <sys/ioctl.h>

namespace serial {

int SetCustomSpeed(int descriptor, std::uint32_t speed) {
    struct termios2 settings {};
    if (::ioctl(descriptor, TCGETS2, &settings) != 0) {
        return errno;
    }
    settings.c_cflag &= ~(CBAUD | (CBAUD << IBSHIFT));
    settings.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
    settings.c_ispeed = speed;
    settings.c_ospeed = speed;
    if (::ioctl(descriptor, TCSETS2, &settings) != 0) {
        return errno;
    }
    return 0;
}

int ReadLineSpeeds(int descriptor, std::uint32_t& input, std::uint32_t& output) {
    struct termios2 settings {};
    if (::ioctl(descriptor, TCGETS2, &settings) != 0) {
        return errno;
    }
    input = settings.c_ispeed;
    output = settings.c_ospeed;
    return 0;
}

} // namespace serial
