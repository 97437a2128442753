#include "LanguageText.h"

#include "Scramble.h"
#include "platform/ExecutablePath.h"
#include "platform/PathParts.h"
#include "platform/ProfileReader.h"
#include "platform/TextCase.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <mutex>
#include <system_error>

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
    const std::string beside = platform::JoinPath(parts);
    std::error_code error;
    if (std::filesystem::exists(beside, error)) {
        return beside;
    }
    // Installed, the program lives in <prefix>/bin and its language file in
    // <prefix>/share/zelnor2, where data files belong; found relative to the
    // program, so that every prefix works, a package's /usr among them.
    const std::filesystem::path installed =
        std::filesystem::path(platform::ExecutableFolder() + std::string(kInstalledLanguageFile))
            .lexically_normal();
    if (std::filesystem::exists(installed, error)) {
        return installed.string();
    }
    return beside;
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
