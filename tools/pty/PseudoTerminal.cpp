#include "PseudoTerminal.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace tools {

PseudoTerminal::~PseudoTerminal() {
    if (!link.empty()) {
        ::unlink(link.c_str());
    }
    if (slave >= 0) {
        ::close(slave);
    }
    if (master >= 0) {
        ::close(master);
    }
}

bool PseudoTerminal::Open(std::string& error) {
    char name[256] = {};
    struct termios raw {};
    cfmakeraw(&raw);
    raw.c_cflag |= CLOCAL | CREAD;
    if (::openpty(&master, &slave, name, &raw, nullptr) != 0) {
        error = std::string("cannot create a pseudo-terminal: ") + std::strerror(errno);
        return false;
    }
    slavePath = name;
    ::fcntl(master, F_SETFD, FD_CLOEXEC);
    ::fcntl(slave, F_SETFD, FD_CLOEXEC);
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
    // The master side is raw too, so that no byte is changed on the way.
    struct termios masterSettings {};
    if (::tcgetattr(master, &masterSettings) == 0) {
        cfmakeraw(&masterSettings);
        ::tcsetattr(master, TCSANOW, &masterSettings);
    }
    return true;
}

bool PseudoTerminal::LinkAs(const std::string& linkPath, std::string& error) {
    ::unlink(linkPath.c_str());
    if (::symlink(slavePath.c_str(), linkPath.c_str()) != 0) {
        error = "cannot link " + linkPath + " to " + slavePath + ": " + std::strerror(errno);
        return false;
    }
    link = linkPath;
    return true;
}

} // namespace tools
