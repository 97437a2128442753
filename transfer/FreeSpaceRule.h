#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace transfer {

// Whether continuous capture stops for lack of space: only below 4 GiB free
// (the upper 32 bits of the figure are 0) and only when the limit is above the
// lower 32 bits. Free space equal to the limit goes on; a limit of 0 never
// stops.
bool FreeSpaceBelowLimit(std::uint64_t freeBytes, std::uint32_t limit);

// The question asked once per picture: the free bytes on the file system of
// path, nothing when it cannot tell. A run's settings carry the one to ask,
// so that tests put their own answer in place.
using FreeSpaceQuery = std::function<std::optional<std::uint64_t>(const std::string& path)>;
// The file system's answer.
std::optional<std::uint64_t> QueryFreeSpace(const std::string& path);

} // namespace transfer
