#include "ExecutablePath.h"

#include "PathParts.h"

#include <climits>
#include <unistd.h>
#include <vector>

namespace platform {

std::string ExecutablePath() {
    std::vector<char> buffer(PATH_MAX + 1);
    const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    if (length <= 0) {
        return {};
    }
    return std::string(buffer.data(), static_cast<std::size_t>(length));
}

std::string ExecutableFolder() {
    const PathParts parts = SplitPath(ExecutablePath());
    return parts.drive + parts.directory;
}

std::string ExecutableBaseName() {
    return SplitPath(ExecutablePath()).name;
}

} // namespace platform
