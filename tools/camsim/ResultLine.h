#pragma once

#include "OutgoingPicture.h"
#include "SendResult.h"

#include <string>

namespace camsim {

// One line about a picture sent, as the camera saw it: its outcome, the
// acknowledgements, resends, what it wrote and how long it took.
std::string DescribeResult(unsigned long number, const std::string& name,
                           const OutgoingPicture& picture, const SendResult& result);

} // namespace camsim
