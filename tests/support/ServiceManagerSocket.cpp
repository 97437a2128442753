#include "ServiceManagerSocket.h"

#include <cstring>
#include <poll.h>
#include <sstream>
#include <stdexcept>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace testsupport {

namespace {

std::string SocketPath(const TempDir& folder) {
    return folder / "notify";
}

} // namespace

ServiceManagerSocket::ServiceManagerSocket()
    : descriptor(::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0)),
      variable("NOTIFY_SOCKET", SocketPath(folder)) {
    const std::string path = SocketPath(folder);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    const int on = 1;
    if (descriptor < 0 || path.size() >= sizeof address.sun_path ||
        ::bind(descriptor, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::setsockopt(descriptor, SOL_SOCKET, SO_PASSCRED, &on, sizeof on) != 0) {
        throw std::runtime_error("cannot make the service manager's socket");
    }
    // Programs that run under another account may send as well.
    ::chmod(folder.Path().c_str(), 0755);
    ::chmod(path.c_str(), 0777);
}

ServiceManagerSocket::~ServiceManagerSocket() {
    if (descriptor >= 0) {
        ::close(descriptor);
    }
}

void ServiceManagerSocket::Take(std::chrono::milliseconds limit) {
    pollfd ready{descriptor, POLLIN, 0};
    if (::poll(&ready, 1, static_cast<int>(limit.count())) <= 0) {
        return;
    }
    for (;;) {
        char text[4096];
        alignas(cmsghdr) char control[CMSG_SPACE(sizeof(ucred))];
        iovec part{text, sizeof text};
        msghdr header{};
        header.msg_iov = &part;
        header.msg_iovlen = 1;
        header.msg_control = control;
        header.msg_controllen = sizeof control;
        const ssize_t got = ::recvmsg(descriptor, &header, MSG_DONTWAIT);
        if (got < 0) {
            return;
        }
        pid_t sender = 0;
        for (cmsghdr* item = CMSG_FIRSTHDR(&header); item != nullptr;
             item = CMSG_NXTHDR(&header, item)) {
            if (item->cmsg_level == SOL_SOCKET && item->cmsg_type == SCM_CREDENTIALS) {
                ucred credentials{};
                std::memcpy(&credentials, CMSG_DATA(item), sizeof credentials);
                sender = credentials.pid;
            }
        }
        messages.push_back({sender, std::string(text, static_cast<std::size_t>(got))});
    }
}

std::vector<std::string> ServiceManagerSocket::Lines(pid_t pid) {
    Take(std::chrono::milliseconds(0));
    std::vector<std::string> lines;
    for (const Message& message : messages) {
        if (message.sender != pid) {
            continue;
        }
        std::istringstream text(message.text);
        for (std::string line; std::getline(text, line);) {
            lines.push_back(line);
        }
    }
    return lines;
}

bool ServiceManagerSocket::WaitFor(pid_t pid, const std::string& line,
                                   std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        for (const std::string& seen : Lines(pid)) {
            if (seen == line) {
                return true;
            }
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            return false;
        }
        Take(left);
    }
}

} // namespace testsupport
