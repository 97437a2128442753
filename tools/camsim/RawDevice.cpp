#include "RawDevice.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace camsim {

namespace {

struct NamedSpeed {
    long bitsPerSecond;
    speed_t constant;
};

constexpr NamedSpeed kSpeeds[] = {
    {50, B50},         {75, B75},         {110, B110},         {134, B134},       {150, B150},
    {200, B200},       {300, B300},       {600, B600},         {1200, B1200},     {1800, B1800},
    {2400, B2400},     {4800, B4800},     {9600, B9600},       {19200, B19200},   {38400, B38400},
    {57600, B57600},   {115200, B115200}, {230400, B230400},   {460800, B460800}, {500000, B500000},
    {576000, B576000}, {921600, B921600}, {1000000, B1000000},
};

bool SpeedConstant(long bitsPerSecond, speed_t& constant) {
    for (const NamedSpeed& speed : kSpeeds) {
        if (speed.bitsPerSecond == bitsPerSecond) {
            constant = speed.constant;
            return true;
        }
    }
    return false;
}

} // namespace

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
    const bool named = SpeedConstant(bitsPerSecond, constant);
    if (named) {
        ::cfsetispeed(&settings, constant);
        ::cfsetospeed(&settings, constant);
    }
    if (::tcsetattr(fd, TCSANOW, &settings) != 0) {
        error = "cannot set up " + path + ": " + std::strerror(errno);
        ::close(fd);
        return -1;
    }
    if (!named && !SetCustomSpeed(fd, bitsPerSecond)) {
        error = "cannot set " + path + " to " + std::to_string(bitsPerSecond) + " bit/s";
        ::close(fd);
        return -1;
    }
    ::tcflush(fd, TCIOFLUSH);
    return fd;
}

} // namespace camsim
