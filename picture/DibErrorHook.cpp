#include "DibErrorHook.h"

#include <cstdio>
#include <mutex>
#include <utility>

namespace {

void WriteToStandardError(std::string_view message) {
    std::fprintf(stderr, "%.*s\n", static_cast<int>(message.size()), message.data());
}

// Made on first use, so that a report from another static object's
// construction still finds the default hook.
struct HookSlot {
    std::mutex lock;
    DibErrorHook hook = WriteToStandardError;
};

HookSlot& Slot() {
    static HookSlot slot;
    return slot;
}

} // namespace

DibErrorHook SetDibErrorHook(DibErrorHook hook) {
    if (!hook) {
        hook = WriteToStandardError;
    }
    HookSlot& slot = Slot();
    std::lock_guard lock(slot.lock);
    return std::exchange(slot.hook, std::move(hook));
}

void ReportDibError(std::string_view message) {
    HookSlot& slot = Slot();
    std::lock_guard lock(slot.lock);
    slot.hook(message);
}
