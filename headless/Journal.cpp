#include "Journal.h"

#include "platform/Overloaded.h"
#include "transfer/EventWords.h"
#include "transfer/StatusTexts.h"

namespace headless {

namespace {
constexpr auto kProgressPeriod = std::chrono::milliseconds(50);
}

void Journal::ShowProgress(const transfer::Progress& picture) {
    const auto now = clock();
    // A picture's first progress is its start, a change of state.
    if (picture.stored != 0 && now - progressShown < kProgressPeriod) {
        return;
    }
    progressShown = now;
    reporter.Show(transfer::ProgressText(picture), picture.stored, picture.expected);
}

void Journal::OnRunEvent(const transfer::RunEvent& event) {
    const bool progress = !options.quiet;
    std::visit(platform::Overloaded{
                   [&](const transfer::WaitingForHeader&) {
                       if (progress) {
                           reporter.Show(std::string(transfer::kWaitingForHeaderText), 0, 0);
                       }
                   },
                   [&](const transfer::Progress& picture) {
                       if (progress) {
                           ShowProgress(picture);
                       }
                   },
                   [&](const transfer::PictureFailed& failure) {
                       ++failed;
                       if (progress) {
                           reporter.PictureFailed(failed, transfer::FailureDescription(failure));
                       }
                   },
                   [&](const transfer::LineLost& lost) {
                       reporter.Notice(program + ": the line is lost: " + lost.reason +
                                       (lost.reopening ? "; opening it again every 0.5 s" : ""));
                   },
                   [&](const transfer::LineStillLost& still) {
                       if (progress) {
                           reporter.Notice(program +
                                           ": the port does not open yet: " + still.problem);
                       }
                   },
                   [&](const transfer::LineBack& back) {
                       reporter.Notice(program + ": the line is back: " + back.device);
                   },
                   [](const auto&) {},
               },
               event);
}

} // namespace headless
