#pragma once

#include "tests/support/TempDir.h"
#include "transfer/CaptureNaming.h"

#include <chrono>
#include <cstdint>
#include <set>
#include <string>

namespace testsupport {

// Fills folder as an earlier capture to "shot.jpg" left it: pictures 0 to 999
// of 100 bytes each, the first 300 of them 40 days old and the others a day
// old, and beside them files of other names, 400 days old, whose names it
// returns. Limits of 30 days and 60000 bytes leave pictures 550 to 999.
inline std::set<std::string> WriteEarlierRun(const TempDir& folder) {
    using namespace std::chrono_literals;
    const auto now = std::chrono::system_clock::now();
    for (std::uint64_t number = 0; number < 1000; ++number) {
        const std::string path = transfer::NumberedPath(folder / "shot.jpg", number);
        WriteFile(path, std::string(100, 'e'));
        SetFileTime(path, number < 300 ? now - 40 * 24h : now - 24h);
    }
    const std::set<std::string> strangers{"other00000005.jpg", "shot00000005.jpeg",
                                          "shot0000005.jpg", "notes.txt"};
    for (const std::string& name : strangers) {
        WriteFile(folder / name, "not a picture of this path");
        SetFileTime(folder / name, now - 400 * 24h);
    }
    return strangers;
}

} // namespace testsupport
