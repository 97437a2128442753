#pragma once

#include "RunDescription.h"

#include "transfer/PictureRetention.h"
#include "transfer/RunTally.h"

#include <chrono>
#include <optional>
#include <string>

namespace runstate {

// The run as the browser view's /state and /events and the broker's state
// topic tell it: its state and reason, the picture in transfer, the totals,
// what the run is, the viewers of the browser view's picture stream now, the
// newest picture (its file by name only: where it lies on the machine is no
// viewer's business), whether the broker is connected (null without one),
// and with a retention, the pictures it keeps and those it deleted.
std::string StateJson(const transfer::RunSnapshot& snapshot, const RunDescription& run,
                      std::chrono::steady_clock::duration uptime, int viewers,
                      std::optional<bool> brokerConnected,
                      const std::optional<transfer::RetentionFigures>& kept = std::nullopt);

} // namespace runstate
