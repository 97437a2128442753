#include "PortNames.h"

#include "platform/OrganisationName.h"

#include <climits>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace serial {

namespace {

std::string Variable(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

// The final target of path's links; the path itself when it leads nowhere
// (a dangling link shows what it points at).
std::string FollowLinks(const std::string& path) {
    char resolved[PATH_MAX] = {};
    if (::realpath(path.c_str(), resolved) != nullptr) {
        return resolved;
    }
    char target[PATH_MAX] = {};
    const auto length = ::readlink(path.c_str(), target, sizeof target - 1);
    if (length > 0) {
        return std::string(target, static_cast<std::size_t>(length));
    }
    return path;
}

} // namespace

std::string PortsFolder() {
    if (const auto folder = Variable("ZELNOR2_PORTS"); !folder.empty()) {
        return folder;
    }
    const std::string inOrganisation = std::string("/") + platform::kOrganisationName + "/ports";
    if (const auto config = Variable("XDG_CONFIG_HOME"); !config.empty()) {
        return config + inOrganisation;
    }
    if (const auto home = Variable("HOME"); !home.empty()) {
        return home + "/.config" + inOrganisation;
    }
    return {};
}

PortDevice ResolvePort(int n) {
    PortDevice port;
    port.name = "COM" + std::to_string(n);
    const auto folder = PortsFolder();
    struct stat entry {};
    if (!folder.empty() && ::lstat((folder + "/" + port.name).c_str(), &entry) == 0) {
        port.path = folder + "/" + port.name;
    } else {
        port.path = "/dev/ttyS" + std::to_string(n - 1);
    }
    port.device = FollowLinks(port.path);
    return port;
}

PortDevice NamedDevice(const std::string& path) {
    return PortDevice{path, path, FollowLinks(path)};
}

} // namespace serial
