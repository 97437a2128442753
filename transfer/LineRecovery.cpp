#include "LineRecovery.h"

#include "WorkerContext.h"
#include "WorkerPort.h"
#include "WorkerRun.h"
#include "serial/SerialPort.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace {

constexpr auto kRetryPeriod = std::chrono::milliseconds(500);

// Waits one retry period; false when the run was asked to stop, which ends
// the wait at once.
bool WaitBeforeRetry(const WorkerRun& run) {
    std::mutex lock;
    std::condition_variable_any wake;
    std::unique_lock held(lock);
    // Nothing but the stop request wakes it before the period is over.
    wake.wait_for(held, run.stop, kRetryPeriod, [] { return false; });
    return !run.StopRequested();
}

} // namespace

Recovery ReopenLostLine(const WorkerRun& run, SerialPort& port) {
    const bool reopening = run.context.reconnect != 0;
    run.Tell(transfer::LineLost{port.LineLostReason(), reopening});
    port.ClearBuffer();
    port.Close();
    if (!reopening) {
        return Recovery::NotReconnecting;
    }
    std::string toldProblem;
    while (WaitBeforeRetry(run)) {
        if (OpenWorkerPort(run.context, port, run.context.speed)) {
            port.ClearBuffer();
            run.Tell(transfer::LineBack{port.PortDescription()});
            return Recovery::Back;
        }
        // Why it does not open yet (no device, busy), once per change.
        if (const std::string problem = port.LastOpenError(); problem != toldProblem) {
            toldProblem = problem;
            run.Tell(transfer::LineStillLost{problem});
        }
    }
    return Recovery::Stopped;
}
