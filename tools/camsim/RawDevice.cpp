#include "RawDevice.h"

#include "serial/CustomSpeed.h"
#include "serial/TerminalSettings.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace camsim {

int OpenRawDevice(const std::string& path, long bitsPerSecond, std::string& error) {
    if (bitsPerSecond <= 0) {
        error = "the speed must be positive";
        return -1;
    }
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        error = "cannot open " + path + ": " + std::strerror(errno);
        return -1;
    }
    struct termios settings {};
    if (::tcgetattr(fd, &settings) != 0) {
        error = path + " is not a serial device: " + std::strerror(errno);
        ::close(fd);
        return -1;
    }
    cfmakeraw(&settings);
    settings.c_cflag &= ~static_cast<tcflag_t>(CSTOPB | PARENB | CRTSCTS);
    settings.c_cflag |= CLOCAL | CREAD | CS8;
    settings.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    settings.c_cc[VMIN] = 0;
    settings.c_cc[VTIME] = 0;
    speed_t constant = B9600;
    const bool named =
        serial::FindStandardSpeed(static_cast<std::int32_t>(bitsPerSecond), constant);
    if (named) {
        ::cfsetispeed(&settings, constant);
        ::cfsetospeed(&settings, constant);
    }
    if (::tcsetattr(fd, TCSANOW, &settings) != 0) {
        error = "cannot set up " + path + ": " + std::strerror(errno);
        ::close(fd);
        return -1;
    }
    if (!named && serial::SetCustomSpeed(fd, static_cast<std::uint32_t>(bitsPerSecond)) != 0) {
        error = "cannot set " + path + " to " + std::to_string(bitsPerSecond) + " bit/s";
        ::close(fd);
        return -1;
    }
    ::tcflush(fd, TCIOFLUSH);
    return fd;
}

} // namespace camsim
