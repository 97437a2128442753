#include "HostCheck.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cctype>
#include <netinet/in.h>
#include <sys/socket.h>

namespace web {

namespace {

// One spelling for each address, so that "[0::1]" and "[::1]" match, and an
// IPv4 client of an IPv6 socket ("::ffff:127.0.0.1") is its IPv4 address.
std::string AddressText(int family, const void* bytes) {
    if (family == AF_INET6 && IN6_IS_ADDR_V4MAPPED(static_cast<const in6_addr*>(bytes))) {
        return AddressText(AF_INET, static_cast<const std::uint8_t*>(bytes) + 12);
    }
    char text[INET6_ADDRSTRLEN] = {};
    return inet_ntop(family, bytes, text, sizeof text) != nullptr ? text : "";
}

// The text of an address literal ("127.0.0.1", "::1" without brackets), or
// empty when it is none.
std::string LiteralText(const std::string& literal, bool ipv6) {
    in6_addr bytes{};
    if (inet_pton(ipv6 ? AF_INET6 : AF_INET, literal.c_str(), &bytes) != 1) {
        return {};
    }
    return AddressText(ipv6 ? AF_INET6 : AF_INET, &bytes);
}

std::string LocalAddressText(int socket) {
    sockaddr_storage local{};
    socklen_t length = sizeof local;
    if (::getsockname(socket, reinterpret_cast<sockaddr*>(&local), &length) != 0) {
        return {};
    }
    if (local.ss_family == AF_INET6) {
        return AddressText(AF_INET6, &reinterpret_cast<const sockaddr_in6*>(&local)->sin6_addr);
    }
    return AddressText(AF_INET, &reinterpret_cast<const sockaddr_in*>(&local)->sin_addr);
}

bool IsPort(std::string_view text) {
    // RFC 7230 allows an empty port after the colon.
    return text.size() <= 5 &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }) &&
           (text.empty() || std::stoul(std::string(text)) <= 65535);
}

bool IsNameCharacter(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '-' || c == '.' || c == '_';
}

// A Host value taken apart: its name in lower case without the port, and
// the address it is a literal of (as AddressText spells it), if it is one.
struct HostName {
    bool valid = false;
    std::string address;
    std::string name;
};

HostName ParseHost(std::string_view value) {
    HostName host;
    std::string_view port;
    if (value.starts_with('[')) {
        const auto close = value.find(']');
        if (close == std::string_view::npos) {
            return host;
        }
        const std::string_view rest = value.substr(close + 1);
        if (!rest.empty() && (rest.front() != ':' || !IsPort(rest.substr(1)))) {
            return host;
        }
        host.address = LiteralText(std::string(value.substr(1, close - 1)), true);
        host.valid = !host.address.empty();
        return host;
    }
    const auto colon = value.find(':');
    if (colon != std::string_view::npos) {
        port = value.substr(colon + 1);
        value = value.substr(0, colon);
        if (!IsPort(port)) {
            return host;
        }
    }
    if (value.empty() || !std::all_of(value.begin(), value.end(), IsNameCharacter)) {
        return host;
    }
    host.valid = true;
    host.address = LiteralText(std::string(value), false);
    std::transform(value.begin(), value.end(), std::back_inserter(host.name),
                   [](char c) { return static_cast<char>(std::tolower(c)); });
    return host;
}

bool IsWildcard(const std::string& addressText) {
    return addressText == "0.0.0.0" || addressText == "::";
}

} // namespace

HostCheck::HostCheck(const ListenAddress& listen, const std::vector<std::string>& names)
    : names(names), listening(LiteralText(listen.host, listen.ipv6)) {
    this->names.push_back("localhost");
    if (IsWildcard(listening)) {
        listening.clear();
    }
}

HostVerdict HostCheck::Judge(const std::vector<std::string_view>& hosts, bool required,
                             int socket) const {
    if (hosts.size() > 1 || (hosts.empty() && required)) {
        return HostVerdict::Malformed;
    }
    if (hosts.empty()) {
        // HTTP/1.0 without Host: no browser asks so, and a browser is what
        // a rebound name needs.
        return HostVerdict::Answer;
    }
    const HostName host = ParseHost(hosts.front());
    if (!host.valid) {
        return HostVerdict::Malformed;
    }
    const bool named = std::find(names.begin(), names.end(), host.name) != names.end();
    const bool ours = !host.address.empty() &&
                      (host.address == listening || host.address == LocalAddressText(socket));
    return named || ours ? HostVerdict::Answer : HostVerdict::Misdirected;
}

} // namespace web
