#include "RunTally.h"

#include "platform/Overloaded.h"

namespace transfer {

namespace {

void Count(RunTotals& totals, const TransferFigures& figures) {
    totals.payloadBytes += figures.payloadBytes;
    totals.transferTime += figures.took;
}

} // namespace

LineUse LineUseOf(const RunTotals& totals, std::int32_t speed) {
    if (totals.transferTime.count() <= 0 || speed <= 0) {
        return {};
    }
    const double seconds = std::chrono::duration<double>(totals.transferTime).count();
    const double bytesPerSecond = static_cast<double>(totals.payloadBytes) / seconds;
    const double percent = 100.0 * bytesPerSecond / (static_cast<double>(speed) / 10.0);
    if (percent > 100.0) {
        return {LineUse::Kind::FasterThanLine, 0, bytesPerSecond};
    }
    return {LineUse::Kind::Efficiency, percent, bytesPerSecond};
}

void RunTally::OnRunEvent(const RunEvent& event) {
    std::lock_guard guard(lock);
    now.progress = Progress{};
    std::visit(platform::Overloaded{
                   [this](const WaitingForHeader&) { now.state = RunState::Waiting; },
                   [this](const Progress& progress) {
                       now.state = RunState::Receiving;
                       now.progress = progress;
                   },
                   [this](const PictureStored& picture) {
                       now.state = RunState::Waiting;
                       ++now.totals.goodPictures;
                       now.totals.goodPictureBytes += picture.bytes;
                       Count(now.totals, picture.figures);
                       now.newest = NewestPicture{picture.number, picture.file, picture.kind,
                                                  picture.bytes, std::chrono::system_clock::now()};
                   },
                   [this](const PictureFailed& failure) {
                       now.state = RunState::Waiting;
                       ++now.totals.failedPictures;
                       Count(now.totals, failure.figures);
                   },
                   [this](const LineLost& lost) {
                       now.state = RunState::LineLost;
                       now.reason = lost.reason;
                   },
                   [this](const LineStillLost& still) { now.reason = still.problem; },
                   [this](const LineBack&) {
                       now.state = RunState::Waiting;
                       now.reason.clear();
                   },
                   [](const Connected&) {},
                   [](const Disconnected&) {},
                   [this](const Ended& ended) {
                       now.state = RunState::Ended;
                       now.end = ended.why;
                       now.reason = ended.reason;
                   },
               },
               event);
}

RunSnapshot RunTally::Snapshot() const {
    std::lock_guard guard(lock);
    return now;
}

} // namespace transfer
