#include "RunEventQueue.h"

#include <utility>

namespace transfer {

bool RunEventQueue::Push(const RunEvent& event) {
    std::lock_guard guard(lock);
    const bool wasEmpty = waiting.empty();
    if (std::holds_alternative<Progress>(event) && !wasEmpty &&
        std::holds_alternative<Progress>(waiting.back())) {
        waiting.back() = event;
    } else {
        waiting.push_back(event);
    }
    return wasEmpty;
}

std::vector<RunEvent> RunEventQueue::TakeAll() {
    std::lock_guard guard(lock);
    return std::exchange(waiting, {});
}

} // namespace transfer
