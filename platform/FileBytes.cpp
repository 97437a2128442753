#include "FileBytes.h"

#include "File.h"

#include <cerrno>
#include <cstring>

namespace platform {

std::optional<std::vector<std::uint8_t>> ReadFileBytes(const std::string& path, std::size_t limit) {
    platform::File file;
    if (!file.OpenForReading(path)) {
        return std::nullopt;
    }
    return ReadFileBytes(file, limit);
}

std::optional<std::vector<std::uint8_t>> ReadFileBytes(platform::File& file, std::size_t limit) {
    const auto length = file.RemainingLength();
    if (!length || *length > limit) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(*length));
    if (file.Read(bytes.data(), bytes.size()) != bytes.size() || file.Failed()) {
        return std::nullopt;
    }
    return bytes;
}

std::optional<std::string> ReadTextFile(const std::string& path, std::size_t limit,
                                        std::string& error) {
    errno = 0;
    const auto bytes = ReadFileBytes(path, limit);
    if (!bytes) {
        // Without a system error it is no regular file, or larger than any
        // file of its kind.
        error = path + ": " + (errno != 0 ? std::strerror(errno) : "not a file of that kind");
        return std::nullopt;
    }
    return std::string(bytes->begin(), bytes->end());
}

} // namespace platform
