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

// Waits for the run's end as the dialog does: for its Ended, then the thread.
bool WaitUntilEnded(WorkerThread& worker, const RunRecorder& events, std::size_t ends) {
    if (!events.WaitFor<transfer::Ended>(ends)) {
        return false;
    }
    worker.Join();
    return true;
}

} // namespace

TEST(WorkerThread, RunsOneWorkerAtATimeEachWithAStopOfItsOwn) {
    WorkerContext context;
    RunRecorder events;
    WorkerThread worker;
    worker.RequestStop(); // asked while none runs: reaches no later run
    ASSERT_TRUE(worker.Start(RunUntilStopped, context, events));
    EXPECT_FALSE(worker.Start(ReturnAtOnce, context, events)) << "a second worker must not start";

    worker.RequestStop();
    ASSERT_TRUE(WaitUntilEnded(worker, events, 1));
    ASSERT_EQ(events.Count<transfer::Ended>(), 1u);

    worker.RequestStop(); // after the end: reaches no later run either
    ASSERT_TRUE(worker.Start(ReturnAtOnce, context, events));
    ASSERT_TRUE(WaitUntilEnded(worker, events, 2));
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
        ASSERT_TRUE(WaitUntilEnded(worker, listener.seen, static_cast<std::size_t>(run) + 1))
            << "run " << run;
    }
    EXPECT_EQ(listener.seen.Count<transfer::Ended>(), 50u);
}

// The worker reads the settings it was started with, whatever the starter
// changes for its next run meanwhile.
TEST(WorkerThread, ARunKeepsTheSettingsItWasStartedWith) {
    const auto tellPortWhenStopped = [](const WorkerRun& run) {
        while (!run.StopRequested()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        run.Tell(transfer::Ended{transfer::EndCause::Stopped, std::to_string(run.context.port)});
    };
    WorkerContext context;
    context.port = 3;
    RunRecorder events;
    WorkerThread worker;
    ASSERT_TRUE(worker.Start(tellPortWhenStopped, context, events));
    context.port = 7;
    worker.RequestStop();
    ASSERT_TRUE(WaitUntilEnded(worker, events, 1));
    EXPECT_EQ(events.Last<transfer::Ended>()->reason, "3");
}
