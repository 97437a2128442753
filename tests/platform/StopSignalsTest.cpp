#include "platform/StopSignals.h"

#include <atomic>
#include <csignal>
#include <gtest/gtest.h>

namespace {

std::atomic<int> oldHandlerCalls{0};
std::atomic<int> hookedSignal{0};

void CountOldHandlerCalls(int) {
    ++oldHandlerCalls;
}

void RememberHookedSignal(int signalNumber) {
    hookedSignal.store(signalNumber);
}

// The handler a signal has at the moment.
void (*HandlerOf(int signalNumber))(int) {
    struct sigaction current {};
    ::sigaction(signalNumber, nullptr, &current);
    return current.sa_handler;
}

} // namespace

TEST(StopSignals, RecordsTheNewestOfSigintAndSigterm) {
    const platform::StopSignals signals;
    ASSERT_TRUE(signals.Catching());
    EXPECT_FALSE(signals.Raised());
    EXPECT_EQ(signals.Which(), 0);

    std::raise(SIGTERM);
    EXPECT_TRUE(signals.Raised());
    EXPECT_EQ(signals.Which(), SIGTERM);
    std::raise(SIGINT);
    EXPECT_EQ(signals.Which(), SIGINT);
}

TEST(StopSignals, CatchesOnlyTheSignalsItIsGiven) {
    const auto hangUpBefore = HandlerOf(SIGHUP);
    const platform::StopSignals signals;
    EXPECT_EQ(HandlerOf(SIGHUP), hangUpBefore);
    EXPECT_NE(HandlerOf(SIGINT), HandlerOf(SIGHUP));
    EXPECT_EQ(HandlerOf(SIGINT), HandlerOf(SIGTERM));
}

TEST(StopSignals, AFreshObjectStartsUnraised) {
    {
        const platform::StopSignals first;
        std::raise(SIGTERM);
        ASSERT_TRUE(first.Raised());
    }
    const platform::StopSignals second;
    EXPECT_FALSE(second.Raised());
}

TEST(StopSignals, TheOldHandlerComesBack) {
    struct sigaction counting {};
    counting.sa_handler = CountOldHandlerCalls;
    sigemptyset(&counting.sa_mask);
    struct sigaction original {};
    ASSERT_EQ(::sigaction(SIGUSR2, &counting, &original), 0);
    oldHandlerCalls.store(0);
    {
        const platform::StopSignals signals({.caught = {SIGUSR2}});
        std::raise(SIGUSR2);
        EXPECT_EQ(signals.Which(), SIGUSR2);
        EXPECT_EQ(oldHandlerCalls.load(), 0);
    }
    std::raise(SIGUSR2);
    EXPECT_EQ(oldHandlerCalls.load(), 1);
    ::sigaction(SIGUSR2, &original, nullptr);
}

TEST(StopSignals, TheWakePipeTurnsReadableOnASignal) {
    platform::StopSignals signals({.wakePipe = true});
    ASSERT_TRUE(signals.Catching());
    ASSERT_GE(signals.WakeDescriptor(), 0);
    EXPECT_FALSE(signals.DrainWake());

    std::raise(SIGINT);
    std::raise(SIGINT);
    EXPECT_TRUE(signals.DrainWake());
    EXPECT_FALSE(signals.DrainWake()) << "one drain takes every wake-up";
}

TEST(StopSignals, WithoutAWakePipeThereIsNoDescriptor) {
    platform::StopSignals signals;
    EXPECT_EQ(signals.WakeDescriptor(), -1);
    std::raise(SIGTERM);
    EXPECT_FALSE(signals.DrainWake());
    EXPECT_TRUE(signals.Raised());
}

TEST(StopSignals, TheHookHearsEachSignal) {
    hookedSignal.store(0);
    const platform::StopSignals signals(
        {.caught = {SIGTERM, SIGUSR2}, .hook = RememberHookedSignal});
    std::raise(SIGUSR2);
    EXPECT_EQ(hookedSignal.load(), SIGUSR2);
    std::raise(SIGTERM);
    EXPECT_EQ(hookedSignal.load(), SIGTERM);
}

TEST(StopSignals, RestartingCallsIsAChoice) {
    const auto flagsOf = [](int signalNumber) {
        struct sigaction current {};
        ::sigaction(signalNumber, nullptr, &current);
        return current.sa_flags & SA_RESTART;
    };
    {
        const platform::StopSignals signals;
        EXPECT_EQ(flagsOf(SIGTERM), 0);
    }
    const platform::StopSignals signals({.restartCalls = true});
    EXPECT_NE(flagsOf(SIGTERM), 0);
}
