#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace platform {

// Bytes free for an unprivileged user on the file system that holds the
// folder of path ("." for a bare name); nothing when the system cannot tell.
std::optional<std::uint64_t> FreeBytesForPath(const std::string& path);

} // namespace platform
