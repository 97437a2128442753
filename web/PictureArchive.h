#pragma once

#include "ViewPicture.h"

#include "transfer/PictureKind.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace web {

// One good picture of the run that /pictures/N can serve: in capture mode by
// its numbered file, read when asked for; in live mode, where the display
// file is overwritten, by its JPEG bytes kept here.
struct ArchivedPicture {
    std::uint64_t number = 0;
    std::chrono::system_clock::time_point storedAt;
    std::string file;
    transfer::PictureKind kind = transfer::PictureKind::Jpeg;
    SharedPicture kept;
};

// The run's good pictures, newest last, bounded in count and in the bytes
// kept in memory; the oldest go first. Only the run adds to it, so a viewer
// never names a file: it names a number, and the number leads here.
class PictureArchive {
public:
    PictureArchive(std::size_t maxPictures, std::size_t maxKeptBytes)
        : maxPictures(maxPictures), maxKeptBytes(maxKeptBytes) {}

    // Pictures come from one thread, numbers growing.
    void Add(ArchivedPicture picture);
    std::optional<ArchivedPicture> Find(std::uint64_t number) const;
    // Up to count pictures, newest first.
    std::vector<ArchivedPicture> Newest(std::size_t count) const;
    std::size_t KeptBytes() const;

private:
    void DropOldest();

    const std::size_t maxPictures;
    const std::size_t maxKeptBytes;
    mutable std::mutex lock;
    std::deque<ArchivedPicture> pictures;
    std::size_t keptBytes = 0;
};

} // namespace web
