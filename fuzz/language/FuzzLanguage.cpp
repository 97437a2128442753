// Feeds arbitrary bytes to the language file's reader as the contents of the
// file, looking up the names that stand in it and a few fixed ones, and to
// the scrambling of texts. Every answer is held against what can be said of
// it without the reader's own logic: where it comes from, how long it may be,
// that letter case of the names and the default do not change what is found,
// and a plain second reading of the unscrambling.

#include "FuzzTempDir.h"
#include "language/LanguageText.h"
#include "language/Scramble.h"
#include "platform/ProfileReader.h"
#include "platform/TextCase.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr std::string_view kDefault = "Error";
constexpr std::string_view kOtherDefault = "\x01 no such entry";
constexpr std::size_t kNamesFromInput = 2;

void Require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "language fuzzer: %s\n", what);
        __builtin_trap();
    }
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// The same name with the case of every ASCII letter turned round.
std::string CaseTurned(std::string_view name) {
    std::string turned(name);
    for (char& c : turned) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        } else if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return turned;
}

int HexValue(char c) {
    constexpr std::string_view digits = "0123456789abcdef";
    const char lower = (c >= 'A' && c <= 'F') ? static_cast<char>(c - 'A' + 'a') : c;
    const std::size_t at = digits.find(lower);
    return at == std::string_view::npos ? -1 : static_cast<int>(at);
}

// The stored value turned into its text, pair by pair: a pair reads as far
// as it forms a hexadecimal number, a value below 0x20 counts 256 more, and
// the character is ((value - 32) ^ k) + 32 in 8 bits.
std::string PlainUnscramble(std::string_view value, int k) {
    std::string text;
    text.reserve(value.size() / 2);
    for (std::size_t i = 0; i + 1 < value.size(); i += 2) {
        const int high = HexValue(value[i]);
        const int low = HexValue(value[i + 1]);
        int pair = high < 0 ? 0 : (low < 0 ? high : high * 16 + low);
        if (pair < 32) {
            pair += 256;
        }
        text.push_back(static_cast<char>((((pair - 32) ^ k) + 32) & 0xFF));
    }
    return text;
}

// A number as C's strtoll reads it, held to 32 bits.
long PlainLeadingNumber(std::string_view text) {
    const std::string copy(text.substr(0, text.find('\0')));
    const long long value = std::strtoll(copy.c_str(), nullptr, 10);
    if (value > std::numeric_limits<std::int32_t>::max()) {
        return std::numeric_limits<std::int32_t>::max();
    }
    if (value < std::numeric_limits<std::int32_t>::min()) {
        return std::numeric_limits<std::int32_t>::min();
    }
    return static_cast<long>(value);
}

// Section names and keys that stand in the file, as the reader should find
// them, besides the fixed ones of the program.
void NamesFrom(std::string_view input, std::vector<std::string>& sections,
               std::vector<std::string>& keys) {
    std::size_t foundSections = 0;
    std::size_t foundKeys = 0;
    while (!input.empty()) {
        const std::size_t end = input.find('\n');
        const std::string_view line = Trimmed(input.substr(0, end));
        input.remove_prefix(end == std::string_view::npos ? input.size() : end + 1);
        if (!line.empty() && line.front() == '[') {
            if (foundSections++ < kNamesFromInput) {
                sections.emplace_back(Trimmed(line.substr(1, line.find(']') - 1)));
            }
        } else if (const std::size_t equals = line.find('=');
                   equals != std::string_view::npos && foundKeys++ < kNamesFromInput) {
            keys.emplace_back(Trimmed(line.substr(0, equals)));
        }
    }
}

// What a lookup of any section and key must satisfy.
void CheckLookup(std::string_view input, const std::string& path, const std::string& section,
                 const std::string& key) {
    const std::string value = platform::ReadProfileString(section, key, kDefault, path);
    Require(value.size() <= platform::kProfileValueMax || value == kDefault,
            "a value is longer than the reader hands back");
    Require(value.find('\n') == std::string::npos, "a value runs over a line end");
    Require(value.empty() || !IsBlank(value.front()), "a value starts with a blank");
    Require(value.empty() || !IsBlank(value.back()) || value.size() == platform::kProfileValueMax,
            "a value ends with a blank");
    Require(value == kDefault || input.find(value) != std::string_view::npos,
            "a value that is not in the file");

    const std::string text = LanguageText::Lookup(section, key, true);
    if (value.size() % 2 != 0) {
        Require(text == LanguageText::kMissingScrambled, "an odd value did not give Error!");
        return;
    }
    std::string expected = PlainUnscramble(value, static_cast<int>(key.size()) + 1);
    expected.resize(std::min(expected.size(), expected.find('\0')));
    Require(text == expected, "a scrambled lookup gave another text");
}

// Whether an entry is found depends neither on the default nor on the letter
// case of the names, and a plain lookup is the reader's answer as it is.
// Each check reads the file again, so only the names that stand in the file
// get them.
void CheckFinding(const std::string& path, const std::string& section, const std::string& key) {
    const std::string value = platform::ReadProfileString(section, key, kDefault, path);
    const std::string other = platform::ReadProfileString(section, key, kOtherDefault, path);
    Require(other == value || (other == kOtherDefault && value == kDefault),
            "the default changed what was found");
    Require(platform::ReadProfileString(CaseTurned(section), CaseTurned(key), kDefault, path) ==
                value,
            "the letter case of a name changed what was found");
    Require(LanguageText::Lookup(section, key, false) == value,
            "a plain lookup differs from the reader");
}

void CheckScrambling(std::string_view input) {
    const bool allHex =
        input.size() % 2 == 0 && input.find('\0') == std::string_view::npos &&
        std::all_of(input.begin(), input.end(), [](char c) { return HexValue(c) >= 0; });
    std::string upperHex(input);
    for (char& c : upperHex) {
        if (c >= 'a' && c <= 'f') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    for (int k = 2; k <= 31; ++k) {
        const std::string stored = language::Scramble(input, k);
        Require(stored.size() == 2 * input.size(), "a scrambled text has the wrong length");
        Require(stored.find_first_not_of("0123456789ABCDEF") == std::string::npos,
                "a scrambled text is not upper-case pairs");
        Require(language::Unscramble(stored, k) == input, "unscrambling does not undo scrambling");
    }
    // Reading pairs does not depend on k; one k, chosen by the input, will do.
    const int k = 2 + static_cast<int>(input.size() % 30);
    const std::string text = language::Unscramble(input, k);
    Require(text == PlainUnscramble(input, k), "unscrambling reads a pair wrongly");
    if (allHex) {
        Require(language::Scramble(text, k) == upperHex, "scrambling does not undo unscrambling");
    }
    Require(LanguageText::LeadingNumber(input) == PlainLeadingNumber(input),
            "a leading number is read wrongly");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string path = [] {
        std::string made = fuzzsupport::ProcessTempDir::Get() / "language.INI";
        LanguageText::SetLanguageFileForTesting(made);
        return made;
    }();
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    {
        std::ofstream file(path, std::ios::binary | std::ios::trunc);
        file.write(input.data(), static_cast<std::streamsize>(input.size()));
        file.close();
        Require(static_cast<bool>(file), "cannot write the language file");
    }

    std::vector<std::string> sections = {std::string(LanguageText::kMainSection), "English"};
    std::vector<std::string> keys = {std::string(LanguageText::kCurrentLanguageKey), "QX_IDOK"};
    const std::size_t fixedNames = sections.size();
    NamesFrom(input, sections, keys);
    for (const std::string& section : sections) {
        for (const std::string& key : keys) {
            CheckLookup(input, path, section, key);
        }
    }
    for (std::size_t i = 0; i < std::max(sections.size(), keys.size()); ++i) {
        const std::size_t s = std::min(i, sections.size() - 1);
        const std::size_t k = std::min(i, keys.size() - 1);
        if (s >= fixedNames || k >= fixedNames) {
            CheckFinding(path, sections[s], keys[k]);
        }
    }

    const bool set = LanguageText::LoadCurrentLanguage();
    const std::string name = LanguageText::CurrentLanguageName();
    Require(name == platform::ReadProfileString(LanguageText::kMainSection,
                                                LanguageText::kCurrentLanguageKey, kDefault, path),
            "the current language is not the value in Main");
    Require(set == !platform::EqualsIgnoringCase(name, kDefault),
            "a language counts as set or not set wrongly");
    for (const std::string& key : keys) {
        Require(LanguageText::Text(key) == LanguageText::Lookup(name, key, true),
                "a text is not read from the current language");
    }

    CheckScrambling(input);
    return 0;
}
