#include "ConnectionWatch.h"

#include "platform/ThreadStop.h"

// The kernel's own tcp_info: the C library's lacks the acknowledged bytes.
#include <cstddef>
#include <linux/sockios.h>
#include <linux/tcp.h>
#include <netinet/in.h>
#include <optional>
#include <sys/ioctl.h>
#include <sys/socket.h>

namespace web {

namespace {

// How far a peer has come with what a TCP socket sent it.
struct SendProgress {
    std::uint64_t taken = 0;   // bytes the peer acknowledged, since the start
    std::uint64_t waiting = 0; // bytes in the send queue, not yet taken
};

// Nothing when the socket cannot tell (not TCP, or closed).
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

// Often enough that a limit of a second or two holds to a fraction of it.
constexpr auto kLookEvery = std::chrono::milliseconds(200);

// Resets the connection rather than waiting for the peer to take what is
// queued for it (which a stalled viewer never does): the kernel lets go of
// the queue at once. The connection's thread, waiting to read or write,
// wakes to a socket shut both ways.
void Cut(int socket) {
    const linger reset{1, 0};
    ::setsockopt(socket, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
    ::shutdown(socket, SHUT_RDWR);
}

} // namespace

ConnectionWatch::ConnectionWatch(std::chrono::seconds requestDeadline,
                                 std::chrono::seconds idleTimeout)
    : requestDeadline(requestDeadline), idleTimeout(idleTimeout), watcher([this] { Watch(); }) {}

ConnectionWatch::~ConnectionWatch() {
    platform::StopThread(lock, stopping, wake, watcher);
}

void ConnectionWatch::Opened(const void* key, int socket) {
    // A fixed size also turns off the kernel's growing of the buffer, which
    // took it to megabytes for a viewer that read nothing.
    const int size = kSendBufferBytes;
    ::setsockopt(socket, SOL_SOCKET, SO_SNDBUF, &size, sizeof size);
    std::lock_guard guard(lock);
    connections[key] = Watched{socket, false, Clock::now(), 0, false};
}

void ConnectionWatch::RequestWhole(const void* key) {
    std::lock_guard guard(lock);
    const auto found = connections.find(key);
    if (found == connections.end() || found->second.answering) {
        return;
    }
    Watched& connection = found->second;
    connection.answering = true;
    connection.since = Clock::now();
    const auto progress = ReadSendProgress(connection.socket);
    connection.taken = progress ? progress->taken : 0;
}

void ConnectionWatch::AnswerEnded(const void* key) {
    std::lock_guard guard(lock);
    if (const auto found = connections.find(key); found != connections.end()) {
        found->second.answering = false;
        found->second.since = Clock::now();
    }
}

void ConnectionWatch::Closed(const void* key) {
    std::lock_guard guard(lock);
    connections.erase(key);
}

bool ConnectionWatch::BrokeALimit(Watched& connection, Clock::time_point now) const {
    if (!connection.answering) {
        return requestDeadline != Clock::duration::zero() &&
               now - connection.since >= requestDeadline;
    }
    if (idleTimeout == Clock::duration::zero()) {
        return false;
    }
    const auto progress = ReadSendProgress(connection.socket);
    if (!progress) {
        return false;
    }
    // Nothing waiting: the viewer has all it was sent, and waits for the
    // server, not the other way round.
    if (progress->waiting == 0 || progress->taken != connection.taken) {
        connection.taken = progress->taken;
        connection.since = now;
        return false;
    }
    return now - connection.since >= idleTimeout;
}

void ConnectionWatch::Watch() {
    std::unique_lock guard(lock);
    while (!wake.wait_for(guard, kLookEvery, [this] { return stopping; })) {
        const auto now = Clock::now();
        for (auto& [key, connection] : connections) {
            if (!connection.cut && BrokeALimit(connection, now)) {
                connection.cut = true;
                Cut(connection.socket);
            }
        }
    }
}

} // namespace web
