#pragma once

#include "RunDescription.h"

#include "transfer/PictureRetention.h"
#include "transfer/RunTally.h"

#include <chrono>
#include <optional>
#include <string>

namespace web {

// The run as /state and each event of /events tell it to the page: its
// state and reason, the picture in transfer, the totals, what the run is,
// the viewers of the picture stream now, and the newest picture (its file by name only: where it
// lies on the machine is no viewer's business); with a retention, the pictures
// it keeps and those it deleted.
std::string StateJson(const transfer::RunSnapshot& snapshot, const RunDescription& run,
                      std::chrono::steady_clock::duration uptime, int viewers,
                      const std::optional<transfer::RetentionFigures>& kept = std::nullopt);

} // namespace web
