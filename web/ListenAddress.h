#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace web {

// Where the browser view listens: an IPv4 or IPv6 address in its numeric
// form, and a port (0 lets the system choose one, for tests).
struct ListenAddress {
    std::string host = "127.0.0.1";
    bool ipv6 = false;
    std::uint16_t port = 0;
};

struct ParsedListenAddress {
    ListenAddress address;
    std::string error; // empty when the text was good
};

// Reads the value of --http: "PORT", "ADDR:PORT" with a numeric IPv4 address,
// or "[ADDR]:PORT" with a numeric IPv6 one. Without an address the view
// listens on the loopback only, so that nothing is shown to the network by
// accident. Host names are refused: what a name resolves to can change.
ParsedListenAddress ParseListenAddress(std::string_view text);

// "127.0.0.1:8080" or "[::1]:8080", as people and error texts name it.
std::string DescribeListenAddress(const ListenAddress& address);

// Whether only this machine can reach the address (127.0.0.0/8, ::1): the
// caller warns when the view is open to the network without users.
bool IsLoopback(const ListenAddress& address);

} // namespace web
