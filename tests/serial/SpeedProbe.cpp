// Alone in its file: the kernel's termios header cannot meet <termios.h>.
#include "SpeedProbe.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

bool ReadOutputSpeed(int descriptor, std::uint32_t& speed, bool& customSpeed) {
    struct termios2 settings {};
    if (::ioctl(descriptor, TCGETS2, &settings) != 0) {
        return false;
    }
    speed = settings.c_ospeed;
    customSpeed = (settings.c_cflag & CBAUD) == BOTHER;
    return true;
}
