#include "BmpTestFiles.h"

#include "picture/DibErrorHook.h"

#include <gtest/gtest.h>
#include <thread>
#include <vector>

TEST(DibErrorHook, DefaultHookWritesTheMessageToStandardError) {
    const DibErrorHook previous = SetDibErrorHook({});
    testing::internal::CaptureStderr();
    ReportDibError("Read error");
    const std::string written = testing::internal::GetCapturedStderr();
    SetDibErrorHook(previous);
    EXPECT_EQ(written, "Read error\n");
}

TEST(DibErrorHook, ReplacedHookIsNoLongerCalled) {
    std::vector<std::string> first;
    std::vector<std::string> second;
    const DibErrorHook original =
        SetDibErrorHook([&first](std::string_view message) { first.emplace_back(message); });
    ReportDibError("one");
    const DibErrorHook replaced =
        SetDibErrorHook([&second](std::string_view message) { second.emplace_back(message); });
    ReportDibError("two");
    SetDibErrorHook(original);
    EXPECT_EQ(first, std::vector<std::string>{"one"});
    EXPECT_EQ(second, std::vector<std::string>{"two"});
    // What the second installation handed back is the first hook.
    ASSERT_TRUE(replaced);
    replaced("back");
    EXPECT_EQ(first, (std::vector<std::string>{"one", "back"}));
}

TEST(DibErrorHook, ReportsFromManyThreadsReachTheHookOneAtATime) {
    // The counter is deliberately unguarded: only the hook's own lock keeps
    // it right (and the thread sanitizer quiet).
    int count = 0;
    const DibErrorHook previous = SetDibErrorHook([&count](std::string_view) { ++count; });
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([] {
            for (int i = 0; i < 200; ++i) {
                CDib dib;
                bmptest::ReadBmpBytes("not a picture", dib);
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    SetDibErrorHook(previous);
    EXPECT_EQ(count, 800);
}
