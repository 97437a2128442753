#include "EndNotice.h"

#include <cstdint>
#include <sys/eventfd.h>
#include <unistd.h>

namespace headless {

EndNotice::EndNotice() : descriptor(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

EndNotice::~EndNotice() {
    if (descriptor >= 0) {
        ::close(descriptor);
    }
}

void EndNotice::OnRunEvent(const transfer::RunEvent& event) {
    if (descriptor >= 0 && std::holds_alternative<transfer::Ended>(event)) {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = ::write(descriptor, &one, sizeof one);
    }
}

} // namespace headless
