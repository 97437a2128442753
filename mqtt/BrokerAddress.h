#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace mqtt {

// Where the broker is: a host name or address and a port, plain or TLS.
struct BrokerAddress {
    std::string host;
    std::uint16_t port = 1883;
    bool tls = false;
};

struct ParsedBrokerAddress {
    BrokerAddress address;
    std::string error; // empty when the text was good
};

// Reads the value of --mqtt: "mqtt://HOST[:PORT]" (1883 by default) or
// "mqtts://HOST[:PORT]" (TLS, 8883 by default); an IPv6 address goes in
// brackets. Nothing else may follow: no user in the URL (where ps shows it),
// no path.
ParsedBrokerAddress ParseBrokerUrl(std::string_view text);

// "mqtts://broker.example:8883", as people and the journal name it.
std::string DescribeBroker(const BrokerAddress& address);

} // namespace mqtt
