#pragma once

#include "transfer/RunEvents.h"

#include <optional>
#include <string>

namespace mqtt {

// The event topic's message for an event automations may act on: a picture
// stored ({"event":"stored","number":7,"file":"shot00000007.jpg",...}) or
// failed (with its "cause"), the line lost or back. Nothing for the others,
// which the state tells.
std::optional<std::string> EventJson(const transfer::RunEvent& event);

} // namespace mqtt
