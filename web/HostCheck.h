#pragma once

#include "WebOptions.h"

#include <string>
#include <string_view>
#include <vector>

namespace web {

enum class HostVerdict {
    Answer,
    Misdirected, // a name or address the view does not answer to: 421
    Malformed,   // none where HTTP/1.1 needs one, two, or not a host: 400
};

// Which Host a request may give. A page whose own name was pointed at this
// machine sends that name, so only names the view was told of pass:
// "localhost", the names of --http-host, and address literals of the
// address it listens on or the one the connection came in on (when it
// listens on all of them, any of the machine's own). Any port is taken, as
// a port forward or a proxy may put its own there.
class HostCheck {
public:
    HostCheck(const ListenAddress& listen, const std::vector<std::string>& names);

    // hosts: the value of every Host header of the request; required: the
    // request is HTTP/1.1, which must have one. socket: the connection's.
    HostVerdict Judge(const std::vector<std::string_view>& hosts, bool required, int socket) const;

private:
    std::vector<std::string> names; // lower case, "localhost" among them
    std::string listening;          // the listening address as text, empty when it is all
};

} // namespace web
