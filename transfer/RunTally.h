#pragma once

#include "RunListener.h"

#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>

namespace transfer {

// What a run achieved so far.
struct RunTotals {
    // Transfers that got past a valid header and ended; one in progress is
    // neither good nor failed.
    std::uint64_t goodPictures = 0;
    std::uint64_t failedPictures = 0;
    // Picture bytes of the good pictures.
    std::uint64_t goodPictureBytes = 0;
    // Picture bytes received in all transfers and the time those transfers
    // took: the line's payload rate.
    std::uint64_t payloadBytes = 0;
    std::chrono::microseconds transferTime{0};
};

// How well the line served while transfers ran.
struct LineUse {
    enum class Kind {
        Unknown,        // nothing was transferred, or the speed is not known
        Efficiency,     // percent is the share of the line's capacity used
        FasterThanLine, // bytes came faster than the speed allows (a USB
                        // adapter or a pseudo-terminal that ignores it)
    };
    Kind kind = Kind::Unknown;
    // The share of the line's capacity (ten bits a byte: start, eight data
    // bits, stop) at the speed that carried picture bytes, at most 100.
    double percent = 0;
    // Picture bytes a second while transfers ran; with Efficiency and
    // FasterThanLine.
    double bytesPerSecond = 0;
};
LineUse LineUseOf(const RunTotals& totals, std::int32_t speed);

enum class RunState {
    Starting,  // no event yet
    Waiting,   // for the next picture's header
    Receiving, // a picture is in transfer
    LineLost,  // the line is gone; reason says why
    Ended,     // the run is over; end and reason say why
};

// The newest good picture of a run.
struct NewestPicture {
    std::uint64_t number = 0;
    std::string file;
    PictureKind kind = PictureKind::Jpeg;
    std::uint32_t bytes = 0;
    std::chrono::system_clock::time_point storedAt;
};

struct RunSnapshot {
    RunState state = RunState::Starting;
    std::string reason; // while LineLost, and after an end with a cause
    Progress progress;  // while Receiving; zero otherwise
    RunTotals totals;
    std::optional<NewestPicture> newest;
    std::optional<EndCause> end; // once Ended
};

// Folds a run's events into its state and totals, for the summary and any
// view of the run. Events come on the worker's thread; a snapshot may be
// taken on any thread.
class RunTally final : public RunListener {
public:
    void OnRunEvent(const RunEvent& event) override;
    RunSnapshot Snapshot() const;

private:
    mutable std::mutex lock;
    RunSnapshot now;
};

} // namespace transfer
