#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <utility>

namespace transfer {

// One numbered picture file of a capture: its number, size and time.
struct KeptPicture {
    std::uint64_t number = 0;
    std::uint64_t bytes = 0;
    std::chrono::system_clock::time_point time;

    bool operator==(const KeptPicture&) const = default;
};

// The numbered pictures of one capture path that are on disk, ordered by age
// (their time, then their number), with their count and bytes. The newest
// picture, the one with the highest number, is never offered for deletion.
class KeptPictures {
public:
    // Takes a picture in, or takes its new size and time.
    void Add(const KeptPicture& picture);
    void Remove(std::uint64_t number);

    std::size_t Count() const { return byNumber.size(); }
    std::uint64_t Bytes() const { return bytes; }
    // The oldest picture but the newest; nothing while there are fewer than two.
    std::optional<KeptPicture> OldestDeletable() const;

private:
    using Age = std::pair<std::chrono::system_clock::time_point, std::uint64_t>;

    std::map<std::uint64_t, KeptPicture> byNumber;
    std::set<Age> byAge;
    std::uint64_t bytes = 0;
};

} // namespace transfer
