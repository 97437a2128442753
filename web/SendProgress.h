#pragma once

#include <cstdint>
#include <optional>

namespace web {

// How far a peer has come with what a TCP socket sent it.
struct SendProgress {
    std::uint64_t taken = 0;   // bytes the peer acknowledged, since the start
    std::uint64_t waiting = 0; // bytes in the send queue, not yet taken
};

// Nothing when the socket cannot tell (not TCP, or closed).
std::optional<SendProgress> ReadSendProgress(int socket);

} // namespace web
