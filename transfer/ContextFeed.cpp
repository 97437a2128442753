#include "ContextFeed.h"

#include "StatusTexts.h"
#include "WorkerContext.h"
#include "platform/Overloaded.h"

namespace transfer {

void ContextFeed::OnRunEvent(const RunEvent& event) {
    std::visit(
        platform::Overloaded{
            [this](const WaitingForHeader&) { context.SetStatusText(kWaitingForHeaderText); },
            [this](const Progress& progress) { context.SetStatusText(ProgressText(progress)); },
            // The dialog's listener hands the picture itself to the window.
            [](const PictureStored&) {},
            [this](const PictureFailed& failure) {
                if (failure.why == FailureCause::FileNotCreated) {
                    context.SetStatusText(PictureFileErrorText());
                }
            },
            [this](const LineLost& lost) { context.SetStatusText(LineLostText(lost.reason)); },
            [this](const LineStillLost& still) {
                context.SetStatusText(LineLostText(still.problem));
            },
            [this](const LineBack& back) { context.SetStatusText(LineBackText(back.device)); },
            [this](const Connected& connected) {
                context.connected = 1;
                context.connectedSpeed = connected.speed;
            },
            [this](const Disconnected&) {
                context.connected = 0;
                context.connectedSpeed = 0;
                context.SetStatusText(DisconnectedText());
            },
            [this](const Ended& ended) { OnEnded(ended); },
        },
        event);
}

void ContextFeed::OnEnded(const Ended& ended) {
    switch (ended.why) {
    case EndCause::PortFailed:
        context.SetStatusText(
            kind == RunKind::Capture ? CapturePortFailedText(context, ended.reason) : ended.reason);
        break;
    case EndCause::PathRefused:
        context.SetStatusText(ended.reason);
        break;
    case EndCause::Done:
    case EndCause::Stopped:
    case EndCause::FreeSpaceLimit: // the capture stops without a text of its own
    case EndCause::LineLost:       // said when the line went
        break;
    }
}

} // namespace transfer
