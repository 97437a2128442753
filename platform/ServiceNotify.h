#pragma once

#include <string_view>

namespace platform {

// Tells the service manager that started the program how it is, in the
// notification protocol of systemd: newline-separated assignments such as
// "READY=1", "STATUS=Waiting for valid header..." or "STOPPING=1", sent to
// the datagram socket that $NOTIFY_SOCKET names (a leading '@' names an
// abstract one). False, doing nothing, where the variable is not set or the
// message cannot be sent; a program outside a service never notices.
bool NotifyServiceManager(std::string_view assignments);

} // namespace platform
