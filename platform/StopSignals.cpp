#include "StopSignals.h"

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace platform {

namespace {

// Read and written by the handler, which may run on any thread.
std::atomic<int> newestSignal{0};
std::atomic<int> wakeDescriptor{-1};
std::atomic<StopSignalSettings::Hook> hook{nullptr};
static_assert(std::atomic<int>::is_always_lock_free, "used in a signal handler");
static_assert(std::atomic<StopSignalSettings::Hook>::is_always_lock_free,
              "used in a signal handler");

void OnStopSignal(int signalNumber) {
    const int savedErrno = errno;
    newestSignal.store(signalNumber);
    if (const StopSignalSettings::Hook call = hook.load()) {
        call(signalNumber);
    }
    if (const int descriptor = wakeDescriptor.load(); descriptor >= 0) {
        const char byte = 1;
        // A full pipe already wakes its reader.
        [[maybe_unused]] const ssize_t written = ::write(descriptor, &byte, 1);
    }
    errno = savedErrno;
}

} // namespace

StopSignals::StopSignals() : StopSignals(StopSignalSettings{}) {}

StopSignals::StopSignals(StopSignalSettings settings) {
    newestSignal.store(0);
    if (settings.wakePipe) {
        int ends[2] = {-1, -1};
        if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) {
            return;
        }
        wakeRead = ends[0];
        wakeWrite = ends[1];
    }
    wakeDescriptor.store(wakeWrite);
    hook.store(settings.hook);

    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = settings.restartCalls ? SA_RESTART : 0;
    for (const int signalNumber : settings.caught) {
        Previous old{signalNumber, {}};
        if (::sigaction(signalNumber, &action, &old.action) == 0) {
            previous.push_back(old);
        }
    }
}

StopSignals::~StopSignals() {
    for (auto old = previous.rbegin(); old != previous.rend(); ++old) {
        ::sigaction(old->signalNumber, &old->action, nullptr);
    }
    hook.store(nullptr);
    wakeDescriptor.store(-1);
    if (wakeRead >= 0) {
        ::close(wakeRead);
        ::close(wakeWrite);
    }
}

int StopSignals::Which() const {
    return newestSignal.load();
}

bool StopSignals::DrainWake() {
    if (wakeRead < 0) {
        return false;
    }
    char bytes[16];
    bool woken = false;
    while (::read(wakeRead, bytes, sizeof bytes) > 0) {
        woken = true;
    }
    return woken;
}

} // namespace platform
