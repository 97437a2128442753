#include "HttpServer.h"

#include "platform/ThreadPriority.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace web {

namespace {

struct BoundSocket {
    int descriptor = -1;
    std::uint16_t port = 0; // the port bound, also when the system chose it
    std::string error;      // "127.0.0.1:8080: Address already in use"
};

BoundSocket Fail(const ListenAddress& address, int descriptor, int error) {
    if (descriptor >= 0) {
        ::close(descriptor);
    }
    BoundSocket failed;
    failed.error = DescribeListenAddress(address) + ": " + std::strerror(error);
    return failed;
}

// Binds and listens here rather than in libmicrohttpd, so that a failure
// comes back with the system's reason and the address. "[::]" takes IPv4
// viewers too. The descriptor is close-on-exec.
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

// libmicrohttpd decodes the path before it reaches us as a C string, so a
// "%00" would cut it short there ("/pictures/5%00" read as "/pictures/5").
// A decoded NUL becomes a byte that no address holds instead.
std::size_t DecodeKeepingLength(void*, MHD_Connection*, char* text) {
    const std::size_t length = MHD_http_unescape(text);
    for (std::size_t i = 0; i < length; ++i) {
        if (text[i] == '\0') {
            text[i] = '\x7f';
        }
    }
    return length;
}

// The request target as it came, before it is decoded and cut at its '?':
// its end is kept as the request's context, for Dispatch to see whether the
// target went on past a raw NUL.
void* KeepTheEndOfTheTarget(void*, const char* target, MHD_Connection*) {
    return const_cast<char*>(target + std::strlen(target));
}

// libmicrohttpd ends the target with a NUL in place of the blank before the
// version, so the version follows the target's end unless a NUL of the
// request's own cut the target short.
bool TargetIsWhole(void* const* requestContext, const char* version) {
    return *requestContext != nullptr && static_cast<const char*>(*requestContext) + 1 == version;
}

int SocketOf(MHD_Connection* connection) {
    const MHD_ConnectionInfo* info =
        MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CONNECTION_FD);
    return info != nullptr ? info->connect_fd : -1;
}

// TLS 1.0 and 1.1 are retired (RFC 8996); every browser of the last years
// speaks 1.2.
constexpr const char* kTlsPriorities = "NORMAL:-VERS-ALL:+VERS-TLS1.3:+VERS-TLS1.2";

} // namespace

std::string HttpServer::Start(const WebOptions& options, Site& site) {
    constexpr int kBacklog = 64;
    const BoundSocket socket = Listen(options.listen, kBacklog);
    if (socket.descriptor < 0) {
        return socket.error;
    }
    // With a wake-up channel, a connection whose thread has ended is closed
    // at once; without it, only when the next connection comes in.
    unsigned flags = MHD_USE_THREAD_PER_CONNECTION | MHD_USE_INTERNAL_POLLING_THREAD |
                     MHD_USE_POLL | MHD_USE_ITC;
    if (options.listen.ipv6) {
        flags |= MHD_USE_IPv6;
    }
    const bool tls = !options.tls.Empty();
    if (tls) {
        flags |= MHD_USE_TLS;
    }
    std::vector<MHD_OptionItem> settings = {
        {MHD_OPTION_LISTEN_SOCKET, socket.descriptor, nullptr},
        {MHD_OPTION_CONNECTION_LIMIT, options.maxConnections, nullptr},
        {MHD_OPTION_PER_IP_CONNECTION_LIMIT, options.maxConnectionsPerAddress, nullptr},
        {MHD_OPTION_CONNECTION_TIMEOUT, options.idleTimeoutSeconds, nullptr},
        {MHD_OPTION_CONNECTION_MEMORY_LIMIT, static_cast<intptr_t>(options.requestMemoryBytes),
         nullptr},
        {MHD_OPTION_UNESCAPE_CALLBACK, reinterpret_cast<intptr_t>(&DecodeKeepingLength), nullptr},
        {MHD_OPTION_NOTIFY_CONNECTION, reinterpret_cast<intptr_t>(&HttpServer::Notice), this},
        {MHD_OPTION_NOTIFY_COMPLETED, reinterpret_cast<intptr_t>(&HttpServer::Completed), this},
        {MHD_OPTION_URI_LOG_CALLBACK, reinterpret_cast<intptr_t>(&KeepTheEndOfTheTarget), nullptr},
    };
    if (tls) {
        settings.push_back({MHD_OPTION_HTTPS_PRIORITIES, 0, const_cast<char*>(kTlsPriorities)});
        settings.push_back(
            {MHD_OPTION_HTTPS_MEM_KEY, 0, const_cast<char*>(options.tls.keyPem.c_str())});
        settings.push_back(
            {MHD_OPTION_HTTPS_MEM_CERT, 0, const_cast<char*>(options.tls.certificatePem.c_str())});
    }
    settings.push_back({MHD_OPTION_END, 0, nullptr});
    this->site = &site;
    watch = std::make_unique<ConnectionWatch>(std::chrono::seconds(options.requestDeadlineSeconds),
                                              std::chrono::seconds(options.idleTimeoutSeconds));
    daemon = MHD_start_daemon(flags, 0, nullptr, nullptr, &HttpServer::Dispatch, this,
                              MHD_OPTION_ARRAY, settings.data(), MHD_OPTION_END);
    if (daemon == nullptr) {
        watch.reset();
        // libmicrohttpd owns the socket from the call on and has closed it;
        // closing it here again could close another thread's descriptor.
        return DescribeListenAddress(options.listen) +
               (tls ? ": the HTTPS server did not start (do the certificate and key belong "
                      "together?)"
                    : ": the HTTP server did not start");
    }
    port = socket.port;
    return {};
}

void HttpServer::Stop() {
    if (daemon != nullptr) {
        MHD_stop_daemon(daemon);
        daemon = nullptr;
    }
    watch.reset();
}

MHD_Result HttpServer::Dispatch(void* server, MHD_Connection* connection, const char* url,
                                const char* method, const char* version, const char*, std::size_t*,
                                void** requestContext) {
    // Called once the request's headers are in; a request body, which no
    // address here takes, is never read, and the connection closes after
    // the answer.
    auto* self = static_cast<HttpServer*>(server);
    self->watch->RequestWhole(connection);
    return self->site->Answer(
        connection,
        {url, method, version, TargetIsWhole(requestContext, version), SocketOf(connection)});
}

void HttpServer::Notice(void* server, MHD_Connection* connection, void**,
                        MHD_ConnectionNotificationCode code) {
    auto* self = static_cast<HttpServer*>(server);
    if (code == MHD_CONNECTION_NOTIFY_STARTED) {
        // Each connection has a thread of its own; under a load of viewers
        // it yields to the threads that take the camera's pictures, so that
        // the camera goes on at its pace however many watch.
        platform::YieldToTheCamera();
        self->watch->Opened(connection, SocketOf(connection));
    } else {
        // Told before libmicrohttpd closes the socket.
        self->watch->Closed(connection);
    }
}

void HttpServer::Completed(void* server, MHD_Connection* connection, void**,
                           MHD_RequestTerminationCode) {
    static_cast<HttpServer*>(server)->watch->AnswerEnded(connection);
}

} // namespace web
