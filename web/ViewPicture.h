#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <vector>

namespace web {

// A good picture as viewers get it: always JPEG. Immutable once made, so
// that every connection can send the same bytes without a copy or a lock.
struct ViewPicture {
    std::uint64_t number = 0;
    std::chrono::system_clock::time_point storedAt;
    std::vector<std::uint8_t> jpeg;
};

using SharedPicture = std::shared_ptr<const ViewPicture>;

} // namespace web
