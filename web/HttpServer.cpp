#include "HttpServer.h"

#include "ListeningSocket.h"

#include <unistd.h>

namespace web {

namespace {

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

} // namespace

std::string HttpServer::Start(const WebOptions& options, Site& site) {
    constexpr int kBacklog = 64;
    const BoundSocket socket = Listen(options.listen, kBacklog);
    if (socket.descriptor < 0) {
        return socket.error;
    }
    unsigned flags = MHD_USE_THREAD_PER_CONNECTION | MHD_USE_INTERNAL_POLLING_THREAD | MHD_USE_POLL;
    if (options.listen.ipv6) {
        flags |= MHD_USE_IPv6;
    }
    daemon = MHD_start_daemon(
        flags, 0, nullptr, nullptr, &HttpServer::Dispatch, &site, MHD_OPTION_LISTEN_SOCKET,
        socket.descriptor, MHD_OPTION_CONNECTION_LIMIT, options.maxConnections,
        MHD_OPTION_PER_IP_CONNECTION_LIMIT, options.maxConnectionsPerAddress,
        MHD_OPTION_CONNECTION_TIMEOUT, options.idleTimeoutSeconds,
        MHD_OPTION_CONNECTION_MEMORY_LIMIT, options.requestMemoryBytes,
        MHD_OPTION_UNESCAPE_CALLBACK, &DecodeKeepingLength, nullptr, MHD_OPTION_END);
    if (daemon == nullptr) {
        ::close(socket.descriptor);
        return DescribeListenAddress(options.listen) + ": the HTTP server did not start";
    }
    port = socket.port;
    return {};
}

void HttpServer::Stop() {
    if (daemon != nullptr) {
        MHD_stop_daemon(daemon);
        daemon = nullptr;
    }
}

MHD_Result HttpServer::Dispatch(void* site, MHD_Connection* connection, const char* url,
                                const char* method, const char*, const char*, std::size_t*,
                                void**) {
    // Called once the request's headers are in; a request body, which no
    // address here takes, is never read, and the connection closes after
    // the answer.
    return static_cast<Site*>(site)->Answer(connection, url, method);
}

} // namespace web
