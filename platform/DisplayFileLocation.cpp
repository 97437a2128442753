#include "DisplayFileLocation.h"

#include "OrganisationName.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <unistd.h>

namespace platform {

namespace {

std::string CacheFolder() {
    if (const char* cache = std::getenv("XDG_CACHE_HOME"); cache != nullptr && *cache == '/') {
        return cache;
    }
    const char* home = std::getenv("HOME");
    return home != nullptr && *home != '\0' ? std::string(home) + "/.cache" : std::string();
}

} // namespace

std::string DisplayFileLocation(const std::string& folder, const std::string& name) {
    const std::string named = folder.empty() ? "." : folder;
    std::error_code error;
    if (std::filesystem::is_directory(named, error) && ::access(named.c_str(), W_OK) == 0) {
        return folder + name;
    }
    const std::string base = CacheFolder();
    const std::string cache = base + "/" + kOrganisationName;
    // A cache folder that cannot be made leaves the named place: the worker
    // then says that the file cannot be written, as it always did.
    if (base.empty() || (!std::filesystem::create_directories(cache, error) &&
                         !std::filesystem::is_directory(cache, error))) {
        return folder + name;
    }
    return cache + "/" + name;
}

} // namespace platform
