#include "HttpClient.h"

#include <arpa/inet.h>
#include <cctype>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace webtest {

namespace {

std::string Lower(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return text;
}

// The header lines of a head (after its first line) into a map.
std::map<std::string, std::string> ParseHeaders(std::string_view lines) {
    std::map<std::string, std::string> headers;
    std::size_t at = 0;
    while (at < lines.size()) {
        auto end = lines.find("\r\n", at);
        if (end == std::string_view::npos) {
            end = lines.size();
        }
        const auto line = lines.substr(at, end - at);
        const auto colon = line.find(':');
        if (colon != std::string_view::npos) {
            auto value = line.substr(colon + 1);
            while (!value.empty() && value.front() == ' ') {
                value.remove_prefix(1);
            }
            headers[Lower(std::string(line.substr(0, colon)))] = std::string(value);
        }
        at = end + 2;
    }
    return headers;
}

} // namespace

Connection::Connection(std::uint16_t port, const ConnectionFrom& from) {
    descriptor = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool prepared =
        inet_pton(AF_INET, from.address.c_str(), &local.sin_addr) == 1 &&
        ::bind(descriptor, reinterpret_cast<sockaddr*>(&local), sizeof local) == 0 &&
        (from.receiveBufferBytes == 0 ||
         ::setsockopt(descriptor, SOL_SOCKET, SO_RCVBUF, &from.receiveBufferBytes,
                      sizeof from.receiveBufferBytes) == 0);
    if (descriptor >= 0 &&
        (!prepared ||
         ::connect(descriptor, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)) {
        ::close(descriptor);
        descriptor = -1;
    }
}

Connection::~Connection() {
    if (descriptor >= 0) {
        ::close(descriptor);
    }
}

bool Connection::Send(std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t sent = ::send(descriptor, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent <= 0) {
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(sent));
    }
    return true;
}

bool Connection::Ended() const {
    pollfd watched{descriptor, POLLRDHUP, 0};
    return descriptor < 0 || closed ||
           (::poll(&watched, 1, 0) == 1 && (watched.revents & (POLLHUP | POLLERR | POLLRDHUP)));
}

bool Connection::ReceiveSome(std::chrono::milliseconds limit) {
    if (descriptor < 0 || closed) {
        return false;
    }
    pollfd wanted{descriptor, POLLIN, 0};
    if (::poll(&wanted, 1, static_cast<int>(limit.count())) <= 0) {
        return false;
    }
    char buffer[64 * 1024];
    const ssize_t count = ::recv(descriptor, buffer, sizeof buffer, 0);
    if (count <= 0) {
        closed = true;
        return false;
    }
    received.append(buffer, static_cast<std::size_t>(count));
    return true;
}

bool Connection::ReceiveUntil(std::string_view text, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (received.find(text) == std::string::npos) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || !ReceiveSome(left)) {
            return received.find(text) != std::string::npos;
        }
    }
    return true;
}

bool Connection::ReceiveToEnd(std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!closed) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            return false;
        }
        ReceiveSome(left);
    }
    return true;
}

void Connection::DiscardToEnd() {
    std::vector<char> buffer(256 * 1024);
    while (descriptor >= 0 && ::recv(descriptor, buffer.data(), buffer.size(), 0) > 0) {
    }
    closed = true;
}

std::string HttpResponse::Header(const std::string& lowerCaseName) const {
    const auto found = headers.find(lowerCaseName);
    return found == headers.end() ? std::string() : found->second;
}

HttpResponse ParseResponse(const std::string& bytes) {
    HttpResponse response;
    const auto headEnd = bytes.find("\r\n\r\n");
    if (!bytes.starts_with("HTTP/1.") || headEnd == std::string::npos || bytes.size() < 12) {
        return response;
    }
    response.status = std::stoi(bytes.substr(9, 3));
    const auto firstLineEnd = bytes.find("\r\n");
    response.headers =
        ParseHeaders(std::string_view(bytes).substr(firstLineEnd + 2, headEnd - firstLineEnd - 2));
    response.body = bytes.substr(headEnd + 4);
    return response;
}

HttpResponse Request(std::uint16_t port, std::string_view method, std::string_view path,
                     std::string_view extraHeaders) {
    Connection connection(port);
    const std::string request = std::string(method) + " " + std::string(path) +
                                " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n" +
                                std::string(extraHeaders) + "\r\n";
    if (!connection.Send(request) || !connection.ReceiveToEnd()) {
        return {};
    }
    return ParseResponse(connection.received);
}

StreamReader::StreamReader(std::uint16_t port, std::string_view extraHeaders) : connection(port) {
    const std::string request =
        "GET /stream HTTP/1.1\r\nHost: 127.0.0.1\r\n" + std::string(extraHeaders) + "\r\n";
    if (!connection.Send(request) || !connection.ReceiveUntil("\r\n\r\n")) {
        return;
    }
    const auto headEnd = connection.received.find("\r\n\r\n");
    const HttpResponse head = ParseResponse(connection.received.substr(0, headEnd + 4));
    status = head.status;
    contentType = head.Header("content-type");
    const auto boundaryAt = contentType.find("boundary=");
    if (boundaryAt != std::string::npos) {
        delimiter = "--" + contentType.substr(boundaryAt + 9);
    }
    pending = connection.received.substr(headEnd + 4);
    connection.received.clear();
}

std::optional<std::string> StreamReader::NextPicture(std::chrono::milliseconds limit) {
    if (delimiter.empty()) {
        return std::nullopt;
    }
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        pending += connection.received;
        connection.received.clear();
        if (!inPart) {
            // Skip to and past the next delimiter and its header block.
            const auto at = pending.find(delimiter);
            const auto headersEnd = at == std::string::npos ? at : pending.find("\r\n\r\n", at);
            if (headersEnd != std::string::npos) {
                const auto headers = ParseHeaders(std::string_view(pending).substr(
                    at + delimiter.size() + 2, headersEnd - at - delimiter.size() - 2));
                const auto stamp = headers.find("x-timestamp");
                lastTimestamp = stamp == headers.end() ? std::string() : stamp->second;
                pending.erase(0, headersEnd + 4);
                inPart = true;
                continue;
            }
        } else {
            // A part's body ends where CRLF and the next delimiter begin; it
            // is handed out once the next header block is whole too.
            const auto end = pending.find("\r\n" + delimiter);
            if (end != std::string::npos &&
                pending.find("\r\n\r\n", end + 2) != std::string::npos) {
                std::string picture = pending.substr(0, end);
                pending.erase(0, end + 2);
                inPart = false;
                return picture;
            }
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || connection.PeerClosed()) {
            return std::nullopt;
        }
        connection.ReceiveSome(left);
    }
}

} // namespace webtest
