#pragma once

#include "platform/NoCopy.h"

#include <arpa/inet.h>
#include <cstdint>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace e2e {

// A TCP port on 127.0.0.1 that listens while the object lives: taken by
// another program, for the program under test to find busy.
class Listener : private platform::NoCopy {
public:
    Listener() : descriptor(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        if (::bind(descriptor, reinterpret_cast<sockaddr*>(&address), size) == 0 &&
            ::listen(descriptor, 4) == 0 &&
            ::getsockname(descriptor, reinterpret_cast<sockaddr*>(&address), &size) == 0) {
            port = ntohs(address.sin_port);
        }
    }
    ~Listener() { ::close(descriptor); }

    std::uint16_t Port() const { return port; }

private:
    int descriptor;
    std::uint16_t port = 0;
};

// A port of 127.0.0.1 that nothing listens on now, for the program under
// test to serve its browser view on (the system hands out a free one and
// does not give it again at once).
inline std::uint16_t FreePort() {
    const Listener probe;
    return probe.Port();
}

} // namespace e2e
