#include "ThreadPriority.h"

#include <sys/resource.h>
#include <unistd.h>

namespace platform {

void YieldToTheCamera() {
    constexpr int kNiceness = 10;
    // A thread has a niceness of its own on Linux; failing to lower it
    // changes nothing but the priority.
    ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), kNiceness);
}

} // namespace platform
