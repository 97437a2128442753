// Checks written files with a BMP reader that nobody here wrote: the Python
// imaging library of the distribution. Skipped where it is not installed.

#include "BmpTestFiles.h"

#include "picture/Dib.h"
#include "platform/File.h"
#include "tests/support/TempDir.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <sstream>
#include <vector>

namespace {

// The distribution's interpreter first: a python3 earlier on PATH (a user's
// own installation) may not see the distribution's packages.
// ZELNOR2_TEST_PYTHON names the only interpreter to try.
std::string FindPythonWithImaging() {
    std::vector<std::string> candidates = {"/usr/bin/python3", "python3"};
    if (const char* chosen = std::getenv("ZELNOR2_TEST_PYTHON")) {
        candidates = {chosen};
    }
    for (const std::string& candidate : candidates) {
        const std::string probe = candidate + " -c 'import PIL.Image' >/dev/null 2>&1";
        if (std::system(probe.c_str()) == 0) {
            return candidate;
        }
    }
    return {};
}

// Runs a script on the file and returns what it printed.
std::string RunScript(const std::string& python, const std::string& script,
                      const std::string& path) {
    const std::string command = python + " -c '" + script + "' '" + path + "' 2>&1";
    std::string output;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        std::size_t got = 0;
        while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
            output.append(buffer, got);
        }
        pclose(pipe);
    }
    return output;
}

// Prints mode, width and height, then every pixel, row by row from the top.
const char* const kDumpScript = R"(
import sys
from PIL import Image
image = Image.open(sys.argv[1])
image.load()
print(image.mode, image.size[0], image.size[1])
for y in range(image.size[1]):
    for x in range(image.size[0]):
        value = image.getpixel((x, y))
        if isinstance(value, tuple):
            print(" ".join(str(v) for v in value))
        else:
            print(value)
)";

std::string WriteToFile(CDib& dib, const testsupport::TempDir& folder) {
    const std::string path = folder / "picture.bmp";
    platform::File file;
    EXPECT_TRUE(file.Create(path));
    EXPECT_TRUE(dib.WriteBmp(file));
    EXPECT_TRUE(file.Close());
    return path;
}

// What the library made of a file: its mode, its size and every channel value
// of every pixel, rows from the top.
struct ForeignView {
    std::string mode;
    int width = 0;
    int height = 0;
    std::vector<int> values;
    std::string printed;
};

ForeignView ReadWithImaging(const std::string& python, const std::string& path) {
    ForeignView view;
    view.printed = RunScript(python, kDumpScript, path);
    std::istringstream output(view.printed);
    output >> view.mode >> view.width >> view.height;
    for (int value = 0; output >> value;) {
        view.values.push_back(value);
    }
    return view;
}

} // namespace

TEST(DibForeignReader, ReadsAGreyPictureAsWritten) {
    const std::string python = FindPythonWithImaging();
    if (python.empty()) {
        GTEST_SKIP() << "python3 with PIL is not installed";
    }
    const int width = 7;
    const int height = 5;
    const int stride = 8;
    CDib dib(width, height, 8);
    for (std::size_t i = 0; i < dib.ColorTable().size(); ++i) {
        const auto grey = static_cast<std::uint8_t>(i);
        dib.ColorTable()[i] = RgbQuad{grey, grey, grey, 0};
    }
    ASSERT_NE(dib.CreatePixelSection(), nullptr);
    // Memory row 0 is the bottom row of the picture.
    const auto valueAt = [](int x, int row) { return 10 + 30 * row + 3 * x; };
    for (int row = 0; row < height; ++row) {
        for (int x = 0; x < width; ++x) {
            dib.pixels[row * stride + x] = static_cast<std::uint8_t>(valueAt(x, row));
        }
    }
    testsupport::TempDir folder;
    const std::string path = WriteToFile(dib, folder);

    const ForeignView view = ReadWithImaging(python, path);
    // A grey ramp for a table reads as grey levels.
    ASSERT_EQ(view.mode, "L") << view.printed;
    ASSERT_EQ(view.width, width);
    ASSERT_EQ(view.height, height);
    std::vector<int> expected;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            expected.push_back(valueAt(x, height - 1 - y));
        }
    }
    EXPECT_EQ(view.values, expected);
}

TEST(DibForeignReader, ReadsTrueColourAsBlueGreenRed) {
    const std::string python = FindPythonWithImaging();
    if (python.empty()) {
        GTEST_SKIP() << "python3 with PIL is not installed";
    }
    CDib dib(3, 2, 24);
    ASSERT_NE(dib.CreatePixelSection(), nullptr);
    // Bottom row: red, green, blue; top row: white, black, grey. Stored as
    // blue, green, red per pixel, rows padded to 12 bytes.
    const std::uint8_t rows[24] = {0,   0,   255, 0, 255, 0, 255, 0,   0,   0, 0, 0,
                                   255, 255, 255, 0, 0,   0, 128, 128, 128, 0, 0, 0};
    std::copy(std::begin(rows), std::end(rows), static_cast<std::uint8_t*>(dib.pixels));
    testsupport::TempDir folder;
    const std::string path = WriteToFile(dib, folder);

    const ForeignView view = ReadWithImaging(python, path);
    ASSERT_EQ(view.mode, "RGB") << view.printed;
    ASSERT_EQ(view.width, 3);
    ASSERT_EQ(view.height, 2);
    // Red, green, blue of each pixel, top row first.
    const std::vector<int> expected = {255, 255, 255, 0, 0,   0, 128, 128, 128,
                                       255, 0,   0,   0, 255, 0, 0,   0,   255};
    EXPECT_EQ(view.values, expected);
}
