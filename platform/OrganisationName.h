#pragma once

namespace platform {

// The organisation under which every program of ours keeps its files: the
// settings, the ports folder and the cache folder each take a folder of this
// name.
inline constexpr char kOrganisationName[] = "Zelnor";

} // namespace platform
