#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace transfer {

// The file of picture number counter in continuous capture: the chosen path
// with the counter, at least eight digits with leading zeros, behind its name
// and before its extension (/pics/shot.jpg, 1 -> /pics/shot00000001.jpg).
std::string NumberedPath(const std::string& basePath, std::uint64_t counter);

// The numbered names of one capture path: its folder ("." for a bare name)
// and what stands before and after the number in a file's name.
struct NumberedPattern {
    std::string folder;
    std::string prefix;
    std::string extension;
};
NumberedPattern PatternOf(const std::string& basePath);

// The number in a file name (without folder) that NumberedPath gives for the
// pattern's path, and nothing for any other name: eight digits, or more
// without a leading zero, between the prefix and the extension.
std::optional<std::uint64_t> NumberInName(const NumberedPattern& pattern, std::string_view name);

// Hands every numbered name of the pattern in its folder to visit, with its
// number: one pass over the folder's entries, no file looked at on its own.
// False when the folder cannot be read.
using NumberedNameVisitor = std::function<void(std::uint64_t number, const char* name)>;
bool ForEachNumberedName(const NumberedPattern& pattern, const NumberedNameVisitor& visit);

// The highest number of a numbered file of basePath present now.
std::optional<std::uint64_t> HighestNumberPresent(const std::string& basePath);

} // namespace transfer
