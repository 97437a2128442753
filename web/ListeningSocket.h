#pragma once

#include "ListenAddress.h"

#include <cstdint>
#include <string>

namespace web {

struct BoundSocket {
    int descriptor = -1;
    std::uint16_t port = 0; // the port bound, also when the system chose it
    std::string error;      // "127.0.0.1:8080: Address already in use"
};

// Binds and listens here rather than in libmicrohttpd, so that a failure
// comes back with the system's reason and the address. "[::]" takes IPv4
// viewers too. The descriptor is close-on-exec.
BoundSocket Listen(const ListenAddress& address, int backlog);

} // namespace web
