#pragma once

#include <string>

namespace platform {

// Where the display file goes: in the named folder ("" for the current
// folder) when the user may write there; otherwise in the user's cache folder
// ($XDG_CACHE_HOME, else ~/.cache, then Zelnor/), created when missing. A
// program installed for all users lives in a folder its users may not write,
// and a service often runs in / : the display file would otherwise fail on
// every picture.
std::string DisplayFileLocation(const std::string& folder, const std::string& name);

} // namespace platform
