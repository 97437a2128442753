#include "LanguageText.h"

#include "Scramble.h"
#include "platform/ExecutablePath.h"
#include "platform/PathParts.h"
#include "platform/ProfileReader.h"
#include "platform/TextCase.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <mutex>

namespace LanguageText {

namespace {

std::mutex currentLanguageLock;
std::string currentLanguage;

std::mutex fileOverrideLock;
std::string fileOverride;

} // namespace

std::string LanguageFilePath() {
    {
        std::lock_guard lock(fileOverrideLock);
        if (!fileOverride.empty()) {
            return fileOverride;
        }
    }
    platform::PathParts parts = platform::SplitPath(platform::ExecutablePath());
    parts.extension = ".INI";
    return platform::JoinPath(parts);
}

void SetLanguageFileForTesting(const std::string& path) {
    std::lock_guard lock(fileOverrideLock);
    fileOverride = path;
}

std::string Lookup(std::string_view section, std::string_view key, bool scrambled) {
    const std::string value =
        platform::ReadProfileString(section, key, kMissingPlain, LanguageFilePath());
    if (!scrambled) {
        return value;
    }
    if (value.size() % 2 != 0) {
        return std::string(kMissingScrambled);
    }
    std::string text = language::Unscramble(value, language::ScrambleKey(key));
    // Every caller uses a text only up to its first zero character.
    const std::size_t zero = text.find('\0');
    if (zero != std::string::npos) {
        text.resize(zero);
    }
    return text;
}

std::string CurrentLanguageName() {
    std::lock_guard lock(currentLanguageLock);
    return currentLanguage;
}

bool LoadCurrentLanguage() {
    std::string name = Lookup(kMainSection, kCurrentLanguageKey, false);
    const bool set = !platform::EqualsIgnoringCase(name, kMissingPlain);
    std::lock_guard lock(currentLanguageLock);
    currentLanguage = std::move(name);
    return set;
}

std::string Text(std::string_view key) {
    return Lookup(CurrentLanguageName(), key, true);
}

std::string TextOr(std::string_view key, std::string_view fallback) {
    std::string text = Text(key);
    return text == kMissingScrambled ? std::string(fallback) : text;
}

long LeadingNumber(std::string_view text) {
    std::size_t i = 0;
    const auto isBlank = [](char c) {
        return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
    };
    while (i < text.size() && isBlank(text[i])) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    std::int64_t value = 0;
    constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > kLimit) {
            value = kLimit;
        }
    }
    if (negative) {
        return static_cast<long>(-value);
    }
    return static_cast<long>(std::min<std::int64_t>(value, kLimit - 1));
}

} // namespace LanguageText
