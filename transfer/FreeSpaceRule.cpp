#include "FreeSpaceRule.h"

#include "platform/FreeSpace.h"

namespace transfer {

bool FreeSpaceBelowLimit(std::uint64_t freeBytes, std::uint32_t limit) {
    if ((freeBytes >> 32) != 0) {
        return false;
    }
    return limit > static_cast<std::uint32_t>(freeBytes);
}

std::optional<std::uint64_t> QueryFreeSpace(const std::string& path) {
    return platform::FreeBytesForPath(path);
}

} // namespace transfer
