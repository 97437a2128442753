#include "PathParts.h"

namespace platform {

PathParts SplitPath(std::string_view path) {
    PathParts parts;
    const std::size_t slash = path.rfind('/');
    std::string_view file = path;
    if (slash != std::string_view::npos) {
        parts.directory = std::string(path.substr(0, slash + 1));
        file = path.substr(slash + 1);
    }
    const std::size_t dot = file.rfind('.');
    if (dot == std::string_view::npos) {
        parts.name = std::string(file);
    } else {
        parts.name = std::string(file.substr(0, dot));
        parts.extension = std::string(file.substr(dot));
    }
    return parts;
}

std::string JoinPath(const PathParts& parts) {
    std::string path = parts.drive + parts.directory;
    if (!parts.directory.empty() && parts.directory.back() != '/') {
        path += '/';
    }
    path += parts.name;
    if (!parts.extension.empty() && parts.extension.front() != '.') {
        path += '.';
    }
    path += parts.extension;
    return path;
}

} // namespace platform
