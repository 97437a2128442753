#pragma once

#include "Bulletin.h"
#include "PictureArchive.h"
#include "ViewPicture.h"
#include "WebOptions.h"

#include "runstate/RunDescription.h"
#include "transfer/PictureRetention.h"
#include "transfer/RunTally.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>

namespace web {

// The view describes its run as every view of a run does.
using runstate::RunDescription;

// What the run's listener and the viewers' connections share. The listener
// writes, on the worker's thread; connections read, each on its own thread.
// Every member guards itself.
struct ViewState {
    ViewState(WebOptions options, RunDescription run, const transfer::RunTally& tally,
              const transfer::PictureRetention* retention = nullptr)
        : options(std::move(options)), run(std::move(run)), tally(tally), retention(retention),
          archive(this->options.keptPictures, this->run.kind == transfer::RunKind::Live
                                                  ? this->options.livePictureMemoryBytes
                                                  : 0) {}

    const WebOptions options;
    const RunDescription run;
    // The run's tally, which takes the run's events before the view does
    // and outlives it.
    const transfer::RunTally& tally;
    // The capture's retention, whose figures the state shows; it guards
    // itself and outlives the view.
    const transfer::PictureRetention* const retention;
    const std::chrono::steady_clock::time_point started = std::chrono::steady_clock::now();
    // How many of the newest pictures a stream that sends every picture may
    // be behind and still get each.
    static constexpr std::size_t kPicturesHeld = 16;
    // The newest good pictures as JPEG; every stream connection waits here.
    Bulletin<SharedPicture> pictures{kPicturesHeld};
    // Counts the run's events, for the state events to know that something
    // changed.
    Bulletin<std::uint64_t> changes;
    PictureArchive archive;
    // Streams of the picture open now.
    mutable std::atomic<int> streamViewers{0};
    // Whether the run's broker is connected: kNoBroker while the run has
    // none, else 0 or 1.
    static constexpr int kNoBroker = -1;
    std::atomic<int> brokerConnected{kNoBroker};
};

} // namespace web
