#include "transfer/WorkerThread.h"
#include "tests/support/WaitUntil.h"
#include "transfer/WorkerContext.h"

#include <chrono>
#include <gtest/gtest.h>
#include <thread>

namespace {

std::uint32_t RunUntilStopped(WorkerContext* context) {
    while (context->stopRequest == 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    context->connected = 7;
    return 0;
}

std::uint32_t ReturnAtOnce(WorkerContext* context) {
    context->newPicture = 1;
    return 0;
}

bool WaitUntilEnded(WorkerThread& worker) {
    return testsupport::WaitUntil([&worker] { return !worker.IsRunning(); });
}

} // namespace

TEST(WorkerThread, RunsOneWorkerAtATime) {
    WorkerContext context;
    WorkerThread worker;
    EXPECT_FALSE(worker.IsRunning());
    ASSERT_TRUE(worker.Start(RunUntilStopped, &context));
    EXPECT_TRUE(worker.IsRunning());
    EXPECT_FALSE(worker.Start(ReturnAtOnce, &context)) << "a second worker must not start";
    EXPECT_EQ(context.newPicture, 0);

    context.stopRequest = 1;
    ASSERT_TRUE(WaitUntilEnded(worker));
    EXPECT_EQ(context.connected, 7);

    context.stopRequest = 0;
    ASSERT_TRUE(worker.Start(ReturnAtOnce, &context));
    ASSERT_TRUE(WaitUntilEnded(worker));
    EXPECT_EQ(context.newPicture, 1);
}

TEST(WorkerThread, DestructionWaitsForTheWorker) {
    WorkerContext context;
    {
        WorkerThread worker;
        ASSERT_TRUE(worker.Start(RunUntilStopped, &context));
        context.stopRequest = 1;
    }
    EXPECT_EQ(context.connected, 7);
}
