#include "TerminalSettings.h"

#include <cerrno>
#include <sys/ioctl.h>

#include "CustomSpeed.h"
#include "ModemLines.h"

namespace serial {

namespace {

struct StandardSpeed {
    std::int32_t bitsPerSecond;
    speed_t code;
};

constexpr StandardSpeed kStandardSpeeds[] = {
    {50, B50},           {75, B75},           {110, B110},         {134, B134},
    {150, B150},         {200, B200},         {300, B300},         {600, B600},
    {1200, B1200},       {1800, B1800},       {2400, B2400},       {4800, B4800},
    {9600, B9600},       {19200, B19200},     {38400, B38400},     {57600, B57600},
    {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000},
    {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
    {3500000, B3500000}, {4000000, B4000000},
};

tcflag_t CharacterSize(std::uint8_t dataBits) {
    switch (dataBits) {
    case 5:
        return CS5;
    case 6:
        return CS6;
    case 7:
        return CS7;
    default:
        return CS8;
    }
}

tcflag_t ParityFlags(LineSettings::Parity parity) {
    switch (parity) {
    case LineSettings::Parity::Even:
        return PARENB;
    case LineSettings::Parity::Odd:
        return PARENB | PARODD;
    case LineSettings::Parity::Mark:
        return PARENB | CMSPAR | PARODD;
    case LineSettings::Parity::Space:
        return PARENB | CMSPAR;
    case LineSettings::Parity::None:
        break;
    }
    return 0;
}

constexpr tcflag_t kFormatFlags = CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS;

tcflag_t FormatFlags(const LineSettings& settings) {
    tcflag_t flags = CharacterSize(settings.dataBits) | ParityFlags(settings.parity);
    if (settings.stopBits != LineSettings::StopBits::One) {
        flags |= CSTOPB; // 1.5 stop bits with 5-bit characters
    }
    if (settings.rtsCts) {
        flags |= CRTSCTS;
    }
    return flags;
}

int ApplyModemLines(int descriptor, const LineSettings& settings) {
    int error = ChangeModemLines(descriptor, TIOCM_DTR, settings.dtrRaised);
    if (error == 0 && !settings.rtsCts) {
        error = ChangeModemLines(descriptor, TIOCM_RTS, settings.rtsRaised);
    }
    return ModemLinesUnsupported(error) ? 0 : error;
}

bool IsClose(std::uint32_t asked, std::uint32_t taken) {
    const std::uint64_t margin = asked / 50;
    const std::uint64_t difference = asked > taken ? asked - taken : taken - asked;
    return difference <= margin;
}

} // namespace

bool RunsAtSpeed(std::uint32_t asked, std::uint32_t input, std::uint32_t output) {
    return IsClose(asked, output) && (input == 0 || IsClose(asked, input));
}

bool FindStandardSpeed(std::int32_t bitsPerSecond, speed_t& code) {
    for (const auto& speed : kStandardSpeeds) {
        if (speed.bitsPerSecond == bitsPerSecond) {
            code = speed.code;
            return true;
        }
    }
    return false;
}

void SetLineFormat(termios& terminal, const LineSettings& settings) {
    ::cfmakeraw(&terminal);
    terminal.c_iflag &= ~(IXON | IXOFF | IXANY);
    if (settings.xonXoff) {
        terminal.c_iflag |= IXON | IXOFF;
    }
    terminal.c_cflag &= ~kFormatFlags;
    terminal.c_cflag |= FormatFlags(settings) | CLOCAL | CREAD;
    terminal.c_cc[VMIN] = 0;
    terminal.c_cc[VTIME] = 0;
}

int ApplyLineSettings(int descriptor, const LineSettings& settings) {
    if (settings.speed <= 0) {
        return EINVAL;
    }
    struct termios terminal {};
    if (::tcgetattr(descriptor, &terminal) != 0) {
        return errno;
    }
    SetLineFormat(terminal, settings);

    speed_t code = B0;
    const bool standard = FindStandardSpeed(settings.speed, code);
    if (standard && ::cfsetspeed(&terminal, code) != 0) {
        return errno;
    }
    // A custom speed set before leaves its mark in the input-speed bits,
    // which would keep the receiver at that speed; none there means "as the
    // output".
    terminal.c_cflag &= ~CIBAUD;
    if (::tcsetattr(descriptor, TCSANOW, &terminal) != 0) {
        return errno;
    }
    if (!standard) {
        if (const int error =
                SetCustomSpeed(descriptor, static_cast<std::uint32_t>(settings.speed));
            error != 0) {
            return error;
        }
    }
    // tcsetattr succeeds when any part of the request was taken; a device that
    // cannot do the character format asked for has to be refused here.
    struct termios taken {};
    if (::tcgetattr(descriptor, &taken) != 0) {
        return errno;
    }
    if ((taken.c_cflag & kFormatFlags) != (terminal.c_cflag & kFormatFlags)) {
        return EINVAL;
    }
    std::uint32_t input = 0;
    std::uint32_t output = 0;
    if (const int error = ReadLineSpeeds(descriptor, input, output); error != 0) {
        return error;
    }
    if (!RunsAtSpeed(static_cast<std::uint32_t>(settings.speed), input, output)) {
        return kSpeedNotTaken;
    }
    return ApplyModemLines(descriptor, settings);
}

} // namespace serial
