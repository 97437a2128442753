#include "transfer/RunEventQueue.h"

#include <atomic>
#include <cstdint>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

using transfer::Progress;
using transfer::RunEvent;
using transfer::RunEventQueue;

// A reader slower than the worker gets every event in order, except that of
// progress that came in a row only the newest is left.
TEST(RunEventQueue, OnlyTheNewestOfProgressInARowWaits) {
    RunEventQueue queue;
    EXPECT_TRUE(queue.Push(transfer::WaitingForHeader{})) << "the first asks for a delivery";
    EXPECT_FALSE(queue.Push(Progress{8, 8, 16, 64})) << "one is on its way";
    EXPECT_FALSE(queue.Push(Progress{8, 8, 32, 64}));
    EXPECT_FALSE(queue.Push(transfer::PictureStored{}));
    EXPECT_FALSE(queue.Push(Progress{8, 8, 16, 64}));
    EXPECT_FALSE(queue.Push(Progress{8, 8, 48, 64}));
    EXPECT_FALSE(queue.Push(transfer::Ended{}));
    EXPECT_EQ(queue.TakeAll(),
              (std::vector<RunEvent>{transfer::WaitingForHeader{}, Progress{8, 8, 32, 64},
                                     transfer::PictureStored{}, Progress{8, 8, 48, 64},
                                     transfer::Ended{}}));
    EXPECT_TRUE(queue.TakeAll().empty());
    EXPECT_TRUE(queue.Push(Progress{8, 8, 64, 64})) << "taken: the next asks again";
}

// Events pushed on the worker's thread while another takes them arrive in
// order, each one once, and every push onto an empty queue asks for a
// delivery, so that nothing waits unseen.
TEST(RunEventQueue, EventsCrossThreadsInOrder) {
    RunEventQueue queue;
    constexpr std::uint32_t kEvents = 20000;
    std::atomic<int> deliveriesAsked{0};
    std::thread worker([&] {
        for (std::uint32_t number = 0; number < kEvents; ++number) {
            transfer::PictureFailed failed;
            failed.number = number;
            deliveriesAsked += queue.Push(failed) ? 1 : 0;
        }
        deliveriesAsked += queue.Push(transfer::Ended{}) ? 1 : 0;
    });
    std::vector<RunEvent> seen;
    int takesWithEvents = 0;
    while (seen.empty() || !std::holds_alternative<transfer::Ended>(seen.back())) {
        std::vector<RunEvent> taken = queue.TakeAll();
        takesWithEvents += taken.empty() ? 0 : 1;
        seen.insert(seen.end(), taken.begin(), taken.end());
    }
    worker.join();
    ASSERT_EQ(seen.size(), kEvents + 1);
    for (std::uint32_t number = 0; number < kEvents; ++number) {
        ASSERT_EQ(std::get<transfer::PictureFailed>(seen[number]).number, number);
    }
    EXPECT_EQ(deliveriesAsked.load(), takesWithEvents);
}
