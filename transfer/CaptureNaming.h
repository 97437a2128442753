#pragma once

#include <cstdint>
#include <string>

namespace transfer {

// The file of picture number counter in continuous capture: the chosen path
// with the counter, at least eight digits with leading zeros, behind its name
// and before its extension (/pics/shot.jpg, 1 -> /pics/shot00000001.jpg).
std::string NumberedPath(const std::string& basePath, std::uint64_t counter);

} // namespace transfer
