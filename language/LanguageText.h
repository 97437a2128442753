#pragma once

#include <string>
#include <string_view>

// The only way to a user-visible text of the language file.
namespace LanguageText {

// What a plain lookup of a missing entry gives.
inline constexpr std::string_view kMissingPlain = "Error";
// What a scrambled lookup of a missing or malformed entry gives.
inline constexpr std::string_view kMissingScrambled = "Error!";

// The section, key and message of the language choice.
inline constexpr std::string_view kMainSection = "Main";
inline constexpr std::string_view kCurrentLanguageKey = "CurrentLanguage";
inline constexpr std::string_view kLanguageNotSetMessage = "Error current language not set";

// Where an installation keeps the language file, relative to the program's
// folder.
inline constexpr std::string_view kInstalledLanguageFile = "../share/zelnor2/Zelnor2.INI";

// The language file: the executable's path with its extension replaced by
// ".INI" (appended when the name has none) where that file exists, else the
// installed one (kInstalledLanguageFile) where that exists, else the first.
// Derived anew on every call.
std::string LanguageFilePath();

// Makes every lookup read the given file instead (an empty path restores the
// file beside the executable). For tests only.
void SetLanguageFileForTesting(const std::string& path);

// Reads key from section of the language file. Plain entries come back as
// stored ("Error" when missing); scrambled ones are unscrambled with the key's
// length plus one ("Error!" when missing or of odd length).
std::string Lookup(std::string_view section, std::string_view key, bool scrambled);

// The section that holds the texts of the current language; empty until
// LoadCurrentLanguage has run.
std::string CurrentLanguageName();

// Reads "CurrentLanguage" of section "Main" into CurrentLanguageName and tells
// whether a language is set (the value is not "Error" in any letter case).
bool LoadCurrentLanguage();

// Shorthand for a scrambled text of the current language.
std::string Text(std::string_view key);

// The same for a text that language files written before it lack: fallback
// (the English text) where the key is missing.
std::string TextOr(std::string_view key, std::string_view fallback);

// Reads a number the way the speed list does: leading blanks, an optional
// sign, then decimal digits up to the first other character; 0 without
// digits. Values beyond 32 bits are held at the nearest limit.
long LeadingNumber(std::string_view text);

} // namespace LanguageText
