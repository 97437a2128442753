#include "LineRecovery.h"

#include "WorkerContext.h"
#include "WorkerEvents.h"
#include "WorkerPort.h"
#include "language/LanguageText.h"
#include "serial/SerialPort.h"

#include <chrono>
#include <thread>

namespace {

constexpr auto kRetryPeriod = std::chrono::milliseconds(500);
// The retry wait is cut into slices so that Stop is seen at once.
constexpr auto kStopSlice = std::chrono::milliseconds(5);

// Waits one retry period; false when Stop came first.
bool WaitBeforeRetry(const WorkerContext& context) {
    const auto until = std::chrono::steady_clock::now() + kRetryPeriod;
    while (std::chrono::steady_clock::now() < until) {
        if (context.stopRequest.load() != 0) {
            return false;
        }
        std::this_thread::sleep_for(kStopSlice);
    }
    return context.stopRequest.load() == 0;
}

} // namespace

bool ReopenLostLine(WorkerContext& context, SerialPort& port) {
    const std::string lostText = LanguageText::TextOr(
        "STRING_IDS_LINE_LOST", "Line lost, opening the port again every half second:");
    const std::string reason = port.LineLostReason();
    context.SetStatusText(lostText + " " + reason);
    NotifyLineChange(LineChange::Lost, reason);
    port.ClearBuffer();
    port.Close();
    if (context.reconnect.load() == 0) {
        context.SetEndReason(reason);
        context.workerEnd = WorkerEnd::LineLost;
        return false;
    }
    std::string shownProblem;
    while (WaitBeforeRetry(context)) {
        if (OpenWorkerPort(context, port, context.connectedSpeed)) {
            port.ClearBuffer();
            const std::string back = port.PortDescription();
            context.SetStatusText(LanguageText::TextOr("STRING_IDS_LINE_BACK", "Line back:") + " " +
                                  back);
            NotifyLineChange(LineChange::Back, back);
            return true;
        }
        // Why it does not open yet (no device, busy), once per change.
        if (const std::string problem = port.LastOpenError(); problem != shownProblem) {
            shownProblem = problem;
            context.SetStatusText(lostText + " " + problem);
        }
    }
    return false;
}
