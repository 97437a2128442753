#include "ListenAddress.h"

#include <arpa/inet.h>
#include <charconv>
#include <cstring>
#include <netinet/in.h>

namespace web {

namespace {

bool ParsePort(std::string_view text, std::uint16_t& port) {
    if (text.empty() || text.size() > 5) {
        return false;
    }
    unsigned value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value > 65535) {
        return false;
    }
    port = static_cast<std::uint16_t>(value);
    return true;
}

ParsedListenAddress Refuse(std::string_view text, std::string_view why) {
    ParsedListenAddress parsed;
    parsed.error = "--http " + std::string(text) + ": " + std::string(why);
    return parsed;
}

} // namespace

ParsedListenAddress ParseListenAddress(std::string_view text) {
    ParsedListenAddress parsed;
    std::string_view host;
    std::string_view port = text;
    if (!text.empty() && text.front() == '[') {
        const auto close = text.find(']');
        if (close == std::string_view::npos || close + 1 >= text.size() || text[close + 1] != ':') {
            return Refuse(text, "expected [IPv6 ADDRESS]:PORT");
        }
        host = text.substr(1, close - 1);
        port = text.substr(close + 2);
        parsed.address.ipv6 = true;
        in6_addr bytes{};
        if (inet_pton(AF_INET6, std::string(host).c_str(), &bytes) != 1) {
            return Refuse(text, "not a numeric IPv6 address");
        }
        parsed.address.host = host;
    } else if (const auto colon = text.rfind(':'); colon != std::string_view::npos) {
        host = text.substr(0, colon);
        port = text.substr(colon + 1);
        in_addr bytes{};
        // inet_pton takes only the four-part dotted form, not "127.1" or hex.
        if (inet_pton(AF_INET, std::string(host).c_str(), &bytes) != 1) {
            return Refuse(text, "not a numeric IPv4 address (IPv6 goes in brackets)");
        }
        parsed.address.host = host;
    }
    if (!ParsePort(port, parsed.address.port)) {
        return Refuse(text, "the port must be a number from 0 to 65535");
    }
    return parsed;
}

std::string DescribeListenAddress(const ListenAddress& address) {
    const std::string port = std::to_string(address.port);
    return address.ipv6 ? "[" + address.host + "]:" + port : address.host + ":" + port;
}

bool IsLoopback(const ListenAddress& address) {
    if (address.ipv6) {
        in6_addr bytes{};
        if (inet_pton(AF_INET6, address.host.c_str(), &bytes) != 1) {
            return false;
        }
        if (IN6_IS_ADDR_LOOPBACK(&bytes)) {
            return true;
        }
        // ::ffff:127.x.y.z reaches the IPv4 loopback.
        return IN6_IS_ADDR_V4MAPPED(&bytes) && bytes.s6_addr[12] == 127;
    }
    in_addr bytes{};
    if (inet_pton(AF_INET, address.host.c_str(), &bytes) != 1) {
        return false;
    }
    return (ntohl(bytes.s_addr) >> 24) == 127;
}

} // namespace web
