#include "RunIdentity.h"

#include "serial/PortNames.h"
#include "version/Version.h"

namespace headless {

std::string CameraName(const HeadlessOptions& options) {
    if (!options.name.empty()) {
        return options.name;
    }
    if (options.device.empty()) {
        return serial::ResolvePort(options.port).name;
    }
    const auto slash = options.device.rfind('/');
    return slash == std::string::npos ? options.device : options.device.substr(slash + 1);
}

runstate::RunDescription DescribeRun(const HeadlessOptions& options) {
    // The port as people know it, before it is opened: "COM1 (/dev/ttyUSB0)".
    std::string device = options.device.empty() ? serial::ResolvePort(options.port).Label()
                                                : serial::NamedDevice(options.device).Label();
    return {std::move(device), options.speed, options.kind, kVersion, CameraName(options)};
}

} // namespace headless
