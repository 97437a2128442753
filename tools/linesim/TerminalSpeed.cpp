#include "TerminalSpeed.h"

#include "serial/CustomSpeed.h"
#include "serial/TerminalSettings.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace linesim {

bool SetTerminalSpeed(const std::string& device, long bitsPerSecond, std::string& error) {
    const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        error = "cannot open " + device + ": " + std::strerror(errno);
        return false;
    }
    int failure = 0;
    termios settings{};
    speed_t code = B0;
    if (::tcgetattr(fd, &settings) != 0) {
        failure = errno;
    } else if (serial::FindStandardSpeed(static_cast<std::int32_t>(bitsPerSecond), code)) {
        ::cfsetispeed(&settings, code);
        ::cfsetospeed(&settings, code);
        failure = ::tcsetattr(fd, TCSANOW, &settings) == 0 ? 0 : errno;
    } else {
        failure = serial::SetCustomSpeed(fd, static_cast<std::uint32_t>(bitsPerSecond));
    }
    ::close(fd);
    if (failure != 0) {
        error = "cannot set the speed of " + device + ": " + std::strerror(failure);
        return false;
    }
    return true;
}

} // namespace linesim
