#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform {

class File;

// No picture file of the camera comes near this (an uncompressed picture has
// at most 64 MiB of pixels); a larger file is not one, and not read.
inline constexpr std::size_t kLargestPictureFile = 80u * 1024 * 1024;

// The whole of a regular file, or nothing when it cannot be read, is gone or
// is larger than limit (a picture file never is, so a larger one is not
// worth the memory).
std::optional<std::vector<std::uint8_t>> ReadFileBytes(const std::string& path, std::size_t limit);
// The same for a file opened already, from its position to its end.
std::optional<std::vector<std::uint8_t>> ReadFileBytes(platform::File& file, std::size_t limit);

// A small file of text read whole, as the files a program is given at its
// start (users, certificates); nothing when it cannot be, with error saying
// "PATH: " and the system's reason.
std::optional<std::string> ReadTextFile(const std::string& path, std::size_t limit,
                                        std::string& error);

} // namespace platform
