#include "FreeSpaceRule.h"

#include "platform/FreeSpace.h"

#include <mutex>

namespace transfer {

namespace {
std::mutex queryLock;
FreeSpaceQuery testQuery;
} // namespace

bool FreeSpaceBelowLimit(std::uint64_t freeBytes, std::uint32_t limit) {
    if ((freeBytes >> 32) != 0) {
        return false;
    }
    return limit > static_cast<std::uint32_t>(freeBytes);
}

std::optional<std::uint64_t> QueryFreeSpace(const std::string& path) {
    {
        std::lock_guard lock(queryLock);
        if (testQuery) {
            return testQuery(path);
        }
    }
    return platform::FreeBytesForPath(path);
}

void SetFreeSpaceQueryForTesting(FreeSpaceQuery query) {
    std::lock_guard lock(queryLock);
    testQuery = std::move(query);
}

} // namespace transfer
