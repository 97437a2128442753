#include "ExecutablePath.h"

#include "PathParts.h"

#include <climits>
#include <string_view>
#include <unistd.h>
#include <vector>

namespace platform {

namespace {

std::string ReadExecutablePath() {
    std::vector<char> buffer(PATH_MAX + 1);
    const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    if (length <= 0) {
        return {};
    }
    std::string path(buffer.data(), static_cast<std::size_t>(length));
    // What the link says once the file was replaced (an upgrade, a rebuild);
    // the program's name is the one it was started under.
    constexpr std::string_view kReplaced = " (deleted)";
    if (path.ends_with(kReplaced)) {
        path.erase(path.size() - kReplaced.size());
    }
    return path;
}

} // namespace

std::string ExecutablePath() {
    // Read once, at the first call, which main() makes at start-up: replacing
    // the program file while it runs must not change its name, its language
    // file or where its settings go.
    static const std::string path = ReadExecutablePath();
    return path;
}

std::string ExecutableFolder() {
    const PathParts parts = SplitPath(ExecutablePath());
    return parts.drive + parts.directory;
}

std::string ExecutableBaseName() {
    return SplitPath(ExecutablePath()).name;
}

} // namespace platform
