#include "transfer/WorkerThread.h"
#include "tests/support/RunRecorder.h"
#include "tests/support/WaitUntil.h"
#include "transfer/WorkerContext.h"

#include <chrono>
#include <gtest/gtest.h>
#include <thread>

using testsupport::RunRecorder;

namespace {

// Runs until its run is stopped, then says so.
void RunUntilStopped(const WorkerRun& run) {
    while (!run.StopRequested()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    run.Tell(transfer::Ended{transfer::EndCause::Stopped, {}});
}

// Says whether its run was asked to stop before it began.
void ReturnAtOnce(const WorkerRun& run) {
    run.Tell(transfer::Ended{
        run.StopRequested() ? transfer::EndCause::Stopped : transfer::EndCause::Done, {}});
}

bool WaitUntilEnded(WorkerThread& worker) {
    return testsupport::WaitUntil([&worker] { return !worker.IsRunning(); });
}

} // namespace

TEST(WorkerThread, RunsOneWorkerAtATimeEachWithAStopOfItsOwn) {
    WorkerContext context;
    RunRecorder events;
    WorkerThread worker;
    EXPECT_FALSE(worker.IsRunning());
    worker.RequestStop(); // asked while none runs: reaches no later run
    ASSERT_TRUE(worker.Start(RunUntilStopped, context, events));
    EXPECT_TRUE(worker.IsRunning());
    EXPECT_FALSE(worker.Start(ReturnAtOnce, context, events)) << "a second worker must not start";

    worker.RequestStop();
    ASSERT_TRUE(WaitUntilEnded(worker));
    ASSERT_EQ(events.Count<transfer::Ended>(), 1u);

    worker.RequestStop(); // after the end: reaches no later run either
    ASSERT_TRUE(worker.Start(ReturnAtOnce, context, events));
    ASSERT_TRUE(WaitUntilEnded(worker));
    EXPECT_EQ(events.Last<transfer::Ended>()->why, transfer::EndCause::Done);
}

TEST(WorkerThread, DestructionStopsAndWaitsForTheWorker) {
    WorkerContext context;
    RunRecorder events;
    {
        WorkerThread worker;
        ASSERT_TRUE(worker.Start(RunUntilStopped, context, events));
    }
    EXPECT_EQ(events.Count<transfer::Ended>(), 1u);
}

// A listener may stop the run from the worker's own thread, even on the
// first thing the worker tells.
TEST(WorkerThread, ARunCanBeStoppedFromItsListener) {
    struct StopOnFirstEvent final : transfer::RunListener {
        WorkerThread* worker = nullptr;
        RunRecorder seen;
        void OnRunEvent(const transfer::RunEvent& event) override {
            seen.OnRunEvent(event);
            worker->RequestStop();
        }
    };
    const auto tellThenWait = [](const WorkerRun& run) {
        run.Tell(transfer::WaitingForHeader{});
        RunUntilStopped(run);
    };
    WorkerContext context;
    StopOnFirstEvent listener;
    WorkerThread worker;
    listener.worker = &worker;
    for (int run = 0; run < 50; ++run) {
        ASSERT_TRUE(worker.Start(tellThenWait, context, listener));
        ASSERT_TRUE(WaitUntilEnded(worker)) << "run " << run;
    }
    EXPECT_EQ(listener.seen.Count<transfer::Ended>(), 50u);
}
