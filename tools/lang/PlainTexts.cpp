#include "PlainTexts.h"

#include "language/HexDigit.h"

#include <fstream>

namespace langtool {

namespace {

std::string Trim(const std::string& text) {
    const char* blanks = " \t\r\n";
    const std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos) {
        return {};
    }
    const std::size_t last = text.find_last_not_of(blanks);
    return text.substr(first, last - first + 1);
}

bool Unescape(const std::string& text, std::string& out) {
    out.clear();
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out.push_back(text[i]);
            continue;
        }
        if (++i >= text.size()) {
            return false;
        }
        switch (text[i]) {
        case 'n':
            out.push_back('\n');
            break;
        case 't':
            out.push_back('\t');
            break;
        case '\\':
            out.push_back('\\');
            break;
        case 'x': {
            const int high = i + 1 < text.size() ? language::HexDigitValue(text[i + 1]) : -1;
            const int low = i + 2 < text.size() ? language::HexDigitValue(text[i + 2]) : -1;
            if (high < 0 || low < 0) {
                return false;
            }
            out.push_back(static_cast<char>(high * 16 + low));
            i += 2;
            break;
        }
        default:
            return false;
        }
    }
    return true;
}

} // namespace

bool ReadPlainFile(const std::string& path, std::vector<PlainSection>& sections,
                   std::string& error) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        error = path + ": cannot be read";
        return false;
    }
    std::string line;
    int number = 0;
    while (std::getline(file, line)) {
        ++number;
        const std::string text = Trim(line);
        const std::string where = path + ":" + std::to_string(number) + ": ";
        if (text.empty() || text.front() == '#' || text.front() == ';') {
            continue;
        }
        if (text.front() == '[') {
            if (text.back() != ']' || text.size() < 3) {
                error = where + "a section line must read [Name]";
                return false;
            }
            sections.push_back({Trim(text.substr(1, text.size() - 2)), {}});
            continue;
        }
        const std::size_t equals = text.find('=');
        if (equals == std::string::npos || equals == 0) {
            error = where + "expected KEY = text";
            return false;
        }
        if (sections.empty()) {
            error = where + "an entry before the first [Section]";
            return false;
        }
        std::string value;
        if (!Unescape(Trim(text.substr(equals + 1)), value)) {
            error = where + "a bad escape (use \\n, \\t, \\\\ or \\xHH)";
            return false;
        }
        sections.back().entries.emplace_back(Trim(text.substr(0, equals)), value);
    }
    return true;
}

} // namespace langtool
