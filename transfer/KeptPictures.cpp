#include "KeptPictures.h"

namespace transfer {

void KeptPictures::Add(const KeptPicture& picture) {
    Remove(picture.number);
    byNumber.emplace(picture.number, picture);
    byAge.emplace(picture.time, picture.number);
    bytes += picture.bytes;
}

void KeptPictures::Remove(std::uint64_t number) {
    const auto found = byNumber.find(number);
    if (found == byNumber.end()) {
        return;
    }
    byAge.erase(Age{found->second.time, number});
    bytes -= found->second.bytes;
    byNumber.erase(found);
}

std::optional<KeptPicture> KeptPictures::OldestDeletable() const {
    if (byNumber.size() < 2) {
        return std::nullopt;
    }
    const std::uint64_t newest = byNumber.rbegin()->first;
    auto oldest = byAge.begin();
    if (oldest->second == newest) {
        ++oldest;
    }
    return byNumber.at(oldest->second);
}

} // namespace transfer
