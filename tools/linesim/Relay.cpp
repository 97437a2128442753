#include "Relay.h"

#include <algorithm>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/prctl.h>
#include <unistd.h>

namespace linesim {

namespace {

static_assert(std::atomic<bool>::is_always_lock_free, "raised from a signal handler");

// The longest wait without anything to do, a bound in case a descriptor's
// state changes without an event.
constexpr std::chrono::milliseconds kLongestWait{100};
// The rest after an end that answers at once without data, so that it does
// not make the relay spin.
constexpr std::chrono::milliseconds kHangUpRest{1};

void MakeNonBlocking(int fd) {
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0 && (flags & O_NONBLOCK) == 0) {
        ::fcntl(fd, F_SETFL, flags | O_NONBLOCK);
    }
}

timespec TimespecOf(std::chrono::nanoseconds duration) {
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(duration);
    return timespec{static_cast<time_t>(seconds.count()),
                    static_cast<long>((duration - seconds).count())};
}

short Events(const Direction& outgoing, const Direction& incoming) {
    return static_cast<short>((outgoing.HasRoom() ? POLLIN : 0) |
                              (incoming.WaitsForFarEnd() ? POLLOUT : 0));
}

// The line's schedule is only as good as the wake-ups: ask the kernel not to
// round this thread's timers up (by default it may add 50 us).
void AskForExactWakeUps() {
    ::prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
}

} // namespace

Relay::Relay(int endA, int endB, const LineOptions& options)
    : endA(endA), endB(endB), wakeup(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)),
      fromA(endA, endB, options, options.faults.fromA, 1),
      fromB(endB, endA, options, options.faults.fromB, 2) {
    MakeNonBlocking(endA);
    MakeNonBlocking(endB);
}

Relay::~Relay() {
    if (wakeup >= 0) {
        ::close(wakeup);
    }
}

void Relay::Wake() {
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto ignored = ::write(wakeup, &one, sizeof one);
}

void Relay::RequestStop() {
    stopRequested.store(true);
    Wake();
}

void Relay::RequestReport() {
    reportRequested.store(true);
    Wake();
}

void Relay::Publish() {
    std::lock_guard guard(countsLock);
    published.fromA = fromA.Counts();
    published.fromB = fromB.Counts();
}

LineCounts Relay::Counts() const {
    std::lock_guard guard(countsLock);
    return published;
}

void Relay::Run(const ReportHandler& onReport) {
    if (!IsReady()) {
        return;
    }
    AskForExactWakeUps();
    while (!stopRequested.load()) {
        Clock::time_point now = Clock::now();
        fromA.Deliver(now);
        fromB.Deliver(now);
        Publish();
        if (reportRequested.exchange(false) && onReport) {
            onReport(Counts());
        }

        std::chrono::nanoseconds wait = kLongestWait;
        for (const Direction* direction : {&fromA, &fromB}) {
            if (const auto next = direction->NextDelivery()) {
                const Clock::time_point wake =
                    next->endsBurst ? next->when - Direction::kWatchBeforeBurstEnd : next->when;
                wait = std::min<std::chrono::nanoseconds>(
                    wait, std::max<std::chrono::nanoseconds>(wake - now, {}));
            }
        }
        pollfd watched[3] = {
            {endA, Events(fromA, fromB), 0},
            {endB, Events(fromB, fromA), 0},
            {wakeup, POLLIN, 0},
        };
        const timespec timeout = TimespecOf(wait);
        if (::ppoll(watched, 3, &timeout, nullptr) <= 0) {
            continue;
        }
        now = Clock::now();
        if (watched[2].revents != 0) {
            std::uint64_t requests = 0;
            [[maybe_unused]] const auto ignored = ::read(wakeup, &requests, sizeof requests);
        }
        bool troubled = false;
        for (int end = 0; end < 2; ++end) {
            Direction& outgoing = end == 0 ? fromA : fromB;
            const Direction& incoming = end == 0 ? fromB : fromA;
            const short events = watched[end].revents;
            if ((events & POLLIN) != 0) {
                troubled = !outgoing.Take(now, incoming) || troubled;
            } else if ((events & (POLLHUP | POLLERR | POLLNVAL)) != 0) {
                troubled = true;
            }
        }
        if (troubled) {
            // An end with nobody behind it answers every poll at once.
            pollfd rest{wakeup, POLLIN, 0};
            const timespec restTime = TimespecOf(kHangUpRest);
            ::ppoll(&rest, 1, &restTime, nullptr);
        }
    }
    Publish();
}

} // namespace linesim
