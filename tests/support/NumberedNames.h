#pragma once

#include "transfer/CaptureNaming.h"

#include <cstdint>
#include <set>
#include <string>

namespace testsupport {

// The names a capture to "shot.jpg" gives its pictures from..to, both
// included, as a folder listing (FilesIn) shows them.
inline std::set<std::string> NumberedShots(std::uint64_t from, std::uint64_t to) {
    std::set<std::string> names;
    for (std::uint64_t number = from; number <= to; ++number) {
        names.insert(transfer::NumberedPath("shot.jpg", number));
    }
    return names;
}

} // namespace testsupport
