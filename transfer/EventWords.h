#pragma once

#include "RunEvents.h"

#include <string>
#include <string_view>

namespace transfer {

// A few words for people on why a picture failed ("the camera stopped
// sending"), for a journal or a page; not the operator's status line.
std::string_view FailureWords(FailureCause why);

// The words and, where there are some, the system's reason behind them.
std::string FailureDescription(const PictureFailed& failure);

// What kind of event it is, in a word or two ("picture stored").
std::string_view EventName(const RunEvent& event);

} // namespace transfer
