#include "FreeSpace.h"

#include "PathParts.h"

#include <sys/statvfs.h>

namespace platform {

std::optional<std::uint64_t> FreeBytesForPath(const std::string& path) {
    const PathParts parts = SplitPath(path);
    const std::string folder = parts.directory.empty() ? "." : parts.directory;
    struct statvfs info {};
    if (::statvfs(folder.c_str(), &info) != 0) {
        return std::nullopt;
    }
    return std::uint64_t{info.f_bavail} * std::uint64_t{info.f_frsize};
}

} // namespace platform
