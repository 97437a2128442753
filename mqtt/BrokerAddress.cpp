#include "BrokerAddress.h"

#include <algorithm>
#include <charconv>

namespace mqtt {

namespace {

bool IsHostCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_';
}

bool IsIpv6Character(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F') || c == ':' ||
           c == '.';
}

template <typename Accept> bool AllOf(std::string_view text, Accept accept) {
    for (const char c : text) {
        if (!accept(c)) {
            return false;
        }
    }
    return !text.empty();
}

} // namespace

ParsedBrokerAddress ParseBrokerUrl(std::string_view text) {
    ParsedBrokerAddress parsed;
    const auto fail = [&](const std::string& why) {
        parsed.error = "bad --mqtt URL '" + std::string(text) + "': " + why;
        return parsed;
    };
    constexpr std::string_view kPlain = "mqtt://";
    constexpr std::string_view kSecure = "mqtts://";
    std::string_view rest;
    if (text.starts_with(kPlain)) {
        rest = text.substr(kPlain.size());
    } else if (text.starts_with(kSecure)) {
        rest = text.substr(kSecure.size());
        parsed.address.tls = true;
        parsed.address.port = 8883;
    } else {
        return fail("it begins with mqtt:// or mqtts://");
    }
    // What follows the host: nothing or ":PORT".
    std::string_view after;
    if (rest.starts_with('[')) {
        const auto close = rest.find(']');
        if (close == std::string_view::npos || !AllOf(rest.substr(1, close - 1), IsIpv6Character)) {
            return fail("an IPv6 address goes in brackets: [::1]");
        }
        parsed.address.host = std::string(rest.substr(1, close - 1));
        after = rest.substr(close + 1);
    } else {
        const auto colon = std::min(rest.find(':'), rest.size());
        parsed.address.host = std::string(rest.substr(0, colon));
        after = rest.substr(colon);
        if (!AllOf(parsed.address.host, IsHostCharacter)) {
            return fail("give a host name or address, and only :PORT after it");
        }
    }
    if (after.empty()) {
        return parsed;
    }
    const std::string_view port = after.substr(1);
    unsigned number = 0;
    const auto [stop, error] = std::from_chars(port.data(), port.data() + port.size(), number);
    if (!after.starts_with(':') || error != std::errc() || stop != port.data() + port.size() ||
        number == 0 || number > 65535) {
        return fail("only :PORT, a number 1 to 65535, may follow the host");
    }
    parsed.address.port = static_cast<std::uint16_t>(number);
    return parsed;
}

std::string DescribeBroker(const BrokerAddress& address) {
    const bool ipv6 = address.host.find(':') != std::string::npos;
    return std::string(address.tls ? "mqtts://" : "mqtt://") + (ipv6 ? "[" : "") + address.host +
           (ipv6 ? "]" : "") + ":" + std::to_string(address.port);
}

} // namespace mqtt
