#pragma once

#include <string>
#include <utility>
#include <vector>

namespace langtool {

// One section of a plain language file, in the order written.
struct PlainSection {
    std::string name;
    std::vector<std::pair<std::string, std::string>> entries;
};

// Reads a plain language file: "[Section]" lines, "KEY = text" lines, and
// lines starting with '#' or ';' as comments. Blanks around the text are
// dropped; inside the text "\n", "\t", "\\" and "\xHH" stand for a line break,
// a tab, a backslash and any byte (so "\x20" keeps a leading blank). Returns
// false and sets error on a malformed line.
bool ReadPlainFile(const std::string& path, std::vector<PlainSection>& sections,
                   std::string& error);

} // namespace langtool
