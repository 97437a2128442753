#include "SendProgress.h"

// The kernel's own tcp_info: the C library's lacks the acknowledged bytes.
#include <cstddef>
#include <linux/sockios.h>
#include <linux/tcp.h>
#include <netinet/in.h>
#include <sys/ioctl.h>
#include <sys/socket.h>

namespace web {

std::optional<SendProgress> ReadSendProgress(int socket) {
    tcp_info info{};
    socklen_t length = sizeof info;
    int waiting = 0;
    if (::getsockopt(socket, IPPROTO_TCP, TCP_INFO, &info, &length) != 0 ||
        length < offsetof(tcp_info, tcpi_bytes_acked) + sizeof info.tcpi_bytes_acked ||
        ::ioctl(socket, SIOCOUTQ, &waiting) != 0) {
        return std::nullopt;
    }
    return SendProgress{info.tcpi_bytes_acked, static_cast<std::uint64_t>(waiting)};
}

} // namespace web
