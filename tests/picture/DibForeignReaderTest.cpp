// Checks written files with a BMP reader that nobody here wrote: the Python
// imaging library of the distribution. Skipped where it is not installed.

#include "BmpTestFiles.h"

#include "picture/CameraPixels.h"
#include "picture/Dib.h"
#include "platform/File.h"
#include "tests/support/ImagingReader.h"
#include "tests/support/TempDir.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <vector>

namespace {

using testsupport::FindPythonWithImaging;
using testsupport::ForeignView;
using testsupport::ReadWithImaging;

std::string WriteToFile(CDib& dib, const testsupport::TempDir& folder) {
    const std::string path = folder / "picture.bmp";
    platform::File file;
    EXPECT_TRUE(file.Create(path));
    EXPECT_TRUE(dib.WriteBmp(file));
    EXPECT_TRUE(file.Close());
    return path;
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
    SetGreyRamp(dib);
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
