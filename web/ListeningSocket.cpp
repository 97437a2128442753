#include "ListeningSocket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace web {

namespace {

BoundSocket Fail(const ListenAddress& address, int descriptor, int error) {
    if (descriptor >= 0) {
        ::close(descriptor);
    }
    BoundSocket failed;
    failed.error = DescribeListenAddress(address) + ": " + std::strerror(error);
    return failed;
}

} // namespace

BoundSocket Listen(const ListenAddress& address, int backlog) {
    sockaddr_storage storage{};
    socklen_t length = 0;
    if (address.ipv6) {
        auto* in6 = reinterpret_cast<sockaddr_in6*>(&storage);
        in6->sin6_family = AF_INET6;
        in6->sin6_port = htons(address.port);
        if (inet_pton(AF_INET6, address.host.c_str(), &in6->sin6_addr) != 1) {
            return Fail(address, -1, EINVAL);
        }
        length = sizeof(sockaddr_in6);
    } else {
        auto* in4 = reinterpret_cast<sockaddr_in*>(&storage);
        in4->sin_family = AF_INET;
        in4->sin_port = htons(address.port);
        if (inet_pton(AF_INET, address.host.c_str(), &in4->sin_addr) != 1) {
            return Fail(address, -1, EINVAL);
        }
        length = sizeof(sockaddr_in);
    }
    const int descriptor =
        ::socket(address.ipv6 ? AF_INET6 : AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (descriptor < 0) {
        return Fail(address, -1, errno);
    }
    // A restarted service binds again while its old connections linger in
    // TIME_WAIT; two live servers on one port are still refused.
    const int on = 1;
    const int off = 0;
    if (::setsockopt(descriptor, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0 ||
        (address.ipv6 &&
         ::setsockopt(descriptor, IPPROTO_IPV6, IPV6_V6ONLY, &off, sizeof off) != 0)) {
        return Fail(address, descriptor, errno);
    }
    if (::bind(descriptor, reinterpret_cast<const sockaddr*>(&storage), length) != 0 ||
        ::listen(descriptor, backlog) != 0) {
        return Fail(address, descriptor, errno);
    }
    sockaddr_storage bound{};
    socklen_t boundLength = sizeof bound;
    if (::getsockname(descriptor, reinterpret_cast<sockaddr*>(&bound), &boundLength) != 0) {
        return Fail(address, descriptor, errno);
    }
    BoundSocket socket;
    socket.descriptor = descriptor;
    socket.port = ntohs(address.ipv6 ? reinterpret_cast<const sockaddr_in6*>(&bound)->sin6_port
                                     : reinterpret_cast<const sockaddr_in*>(&bound)->sin_port);
    return socket;
}

} // namespace web
