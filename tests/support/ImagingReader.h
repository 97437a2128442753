#pragma once

#include <string>
#include <vector>

namespace testsupport {

// The distribution's Python imaging library as a reader of picture files that
// nobody here wrote. Empty when no interpreter with it is installed, and the
// tests that need it skip. ZELNOR2_TEST_PYTHON names the only interpreter to
// try.
std::string FindPythonWithImaging();

// What the library made of a file: its mode, its size and every channel value
// of every pixel, rows from the top; printed is its whole output, for a
// failure message.
struct ForeignView {
    std::string mode;
    int width = 0;
    int height = 0;
    std::vector<int> values;
    std::string printed;
};

ForeignView ReadWithImaging(const std::string& python, const std::string& path);

} // namespace testsupport
