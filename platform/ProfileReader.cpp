#include "ProfileReader.h"

#include "TextCase.h"

#include <fstream>

namespace platform {

namespace {

std::string_view TrimBlanks(std::string_view text) {
    const auto isBlank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && isBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && isBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

} // namespace

std::string ReadProfileString(std::string_view section, std::string_view key,
                              std::string_view defaultValue, const std::string& filePath) {
    std::ifstream file(filePath, std::ios::binary);
    if (!file) {
        return std::string(defaultValue);
    }
    bool inSection = false;
    bool sectionSeen = false;
    std::string line;
    while (std::getline(file, line)) {
        const std::string_view text = TrimBlanks(line);
        if (!text.empty() && text.front() == '[') {
            if (sectionSeen) {
                // Only the first section of that name counts.
                break;
            }
            const std::size_t close = text.find(']');
            const std::string_view name =
                TrimBlanks(text.substr(1, close == std::string_view::npos ? text.npos : close - 1));
            inSection = EqualsIgnoringCase(name, section);
            sectionSeen = inSection;
            continue;
        }
        if (!inSection || text.empty() || text.front() == ';') {
            continue;
        }
        const std::size_t equals = text.find('=');
        if (equals == std::string_view::npos) {
            continue;
        }
        if (EqualsIgnoringCase(TrimBlanks(text.substr(0, equals)), key)) {
            std::string_view value = TrimBlanks(text.substr(equals + 1));
            return std::string(value.substr(0, kProfileValueMax));
        }
    }
    return std::string(defaultValue);
}

} // namespace platform
