#pragma once

#include "platform/File.h"

#include <cstdint>
#include <optional>
#include <string>

namespace transfer {

// The numbers of one continuous capture. It starts after the highest number
// present for its path, and a picture's file is created only under a number
// whose file does not exist (one that appears meanwhile, say from a second
// program on the same path, is skipped), so that a capture never replaces a
// file. Every attempt uses up its number, also one that created no file.
class CaptureCounter {
public:
    // first: the least number to use, also when the folder holds none.
    CaptureCounter(std::string basePath, std::uint64_t first);

    std::uint64_t Next() const { return next; }

    struct Claimed {
        std::uint64_t number = 0;
        std::string path;
    };
    // Creates the file of the next free number for writing and uses up that
    // number; nothing, with the system's error in file, when no file could be
    // created.
    std::optional<Claimed> Claim(platform::File& file);
    // Uses up the next number for an attempt that created no file.
    void UseUp() { ++next; }

private:
    std::string basePath;
    std::uint64_t next;
};

} // namespace transfer
