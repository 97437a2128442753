#pragma once

#include "HeadlessOptions.h"
#include "runstate/RunDescription.h"

#include <string>

namespace headless {

// The camera's name: --name, else the COM name ("COM1") or the device
// file's name ("ttyUSB0"); the service gives its instance's name.
std::string CameraName(const HeadlessOptions& options);

// The run as its views describe it, before the port is opened.
runstate::RunDescription DescribeRun(const HeadlessOptions& options);

} // namespace headless
