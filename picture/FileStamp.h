#pragma once

#include <cstdint>
#include <optional>
#include <string>

// What tells one state of a file from the next without reading it: a rewrite
// changes its size or modification time, a replacement through a rename its
// inode.
struct FileStamp {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t size = 0;
    std::int64_t modifiedSeconds = 0;
    std::int64_t modifiedNanoseconds = 0;

    bool operator==(const FileStamp&) const = default;
};

// Empty when the file cannot be looked at (missing, no access).
std::optional<FileStamp> StampOf(const std::string& path);
