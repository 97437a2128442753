#include "PictureArchive.h"

#include <algorithm>

namespace web {

namespace {

std::size_t KeptSize(const ArchivedPicture& picture) {
    return picture.kept ? picture.kept->jpeg.size() : 0;
}

} // namespace

void PictureArchive::Add(ArchivedPicture picture) {
    std::lock_guard guard(lock);
    keptBytes += KeptSize(picture);
    // One thread adds them, in the run's order.
    pictures.push_back(std::move(picture));
    // The newest stays even when it alone is over the limit: it is what a
    // viewer most likely asks for.
    while (pictures.size() > 1 && (pictures.size() > maxPictures || keptBytes > maxKeptBytes)) {
        DropOldest();
    }
}

void PictureArchive::DropOldest() {
    keptBytes -= KeptSize(pictures.front());
    pictures.pop_front();
}

std::optional<ArchivedPicture> PictureArchive::Find(std::uint64_t number) const {
    std::lock_guard guard(lock);
    // Numbers only grow within a run, so the list is sorted by them.
    const auto found = std::lower_bound(pictures.begin(), pictures.end(), number,
                                        [](const ArchivedPicture& picture, std::uint64_t wanted) {
                                            return picture.number < wanted;
                                        });
    if (found == pictures.end() || found->number != number) {
        return std::nullopt;
    }
    return *found;
}

std::vector<ArchivedPicture> PictureArchive::Newest(std::size_t count) const {
    std::lock_guard guard(lock);
    const std::size_t taken = std::min(count, pictures.size());
    return {pictures.rbegin(), pictures.rbegin() + static_cast<std::ptrdiff_t>(taken)};
}

std::size_t PictureArchive::KeptBytes() const {
    std::lock_guard guard(lock);
    return keptBytes;
}

} // namespace web
