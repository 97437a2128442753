#include "CaptureNaming.h"

#include "platform/PathParts.h"

#include <charconv>
#include <cinttypes>
#include <cstdio>
#include <dirent.h>

namespace transfer {

namespace {

constexpr std::size_t kLeastDigits = 8;

bool AllDigits(std::string_view text) {
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
    }
    return true;
}

} // namespace

std::string NumberedPath(const std::string& basePath, std::uint64_t counter) {
    platform::PathParts parts = platform::SplitPath(basePath);
    char number[32];
    std::snprintf(number, sizeof number, "%.8" PRIu64, counter);
    parts.name += number;
    return platform::JoinPath(parts);
}

NumberedPattern PatternOf(const std::string& basePath) {
    const platform::PathParts parts = platform::SplitPath(basePath);
    return {parts.directory.empty() ? "." : parts.directory, parts.name, parts.extension};
}

std::optional<std::uint64_t> NumberInName(const NumberedPattern& pattern, std::string_view name) {
    if (name.size() < pattern.prefix.size() + kLeastDigits + pattern.extension.size() ||
        !name.starts_with(pattern.prefix) || !name.ends_with(pattern.extension)) {
        return std::nullopt;
    }
    const std::string_view digits = name.substr(
        pattern.prefix.size(), name.size() - pattern.prefix.size() - pattern.extension.size());
    if (!AllDigits(digits) || (digits.size() > kLeastDigits && digits.front() == '0')) {
        return std::nullopt;
    }
    std::uint64_t number = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
    if (error != std::errc() || end != digits.data() + digits.size()) {
        return std::nullopt; // beyond any number a capture can reach
    }
    return number;
}

bool ForEachNumberedName(const NumberedPattern& pattern, const NumberedNameVisitor& visit) {
    DIR* folder = ::opendir(pattern.folder.c_str());
    if (folder == nullptr) {
        return false;
    }
    while (const dirent* entry = ::readdir(folder)) {
        if (const auto number = NumberInName(pattern, entry->d_name)) {
            visit(*number, entry->d_name);
        }
    }
    ::closedir(folder);
    return true;
}

std::optional<std::uint64_t> HighestNumberPresent(const std::string& basePath) {
    std::optional<std::uint64_t> highest;
    ForEachNumberedName(PatternOf(basePath), [&highest](std::uint64_t number, const char*) {
        if (!highest || number > *highest) {
            highest = number;
        }
    });
    return highest;
}

} // namespace transfer
