#pragma once

#include "transfer/RunEvents.h"

namespace runstate {

// The names a run's causes have in JSON ("free-space-limit", "cut-short"):
// stable words for programs and automations, not for people.
const char* EndName(transfer::EndCause cause);
const char* FailureName(transfer::FailureCause cause);

} // namespace runstate
