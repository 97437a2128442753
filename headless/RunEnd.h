#pragma once

#include "transfer/RunEvents.h"

#include <string>

namespace headless {

// What the program says of the way a run ended, and its exit status.
struct EndOutcome {
    int status = 0;
    std::string words; // empty: nothing more to say
};

// 0 for an end asked for (a count, a time, a signal, the free-space limit),
// 1 for a path that does not fit, 2 for a port that failed or a line lost
// for good. reason is the cause's own words (the port's open error, ...).
EndOutcome OutcomeOf(transfer::EndCause why, const std::string& reason);

} // namespace headless
