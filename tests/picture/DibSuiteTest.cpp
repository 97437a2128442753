#include "BmpTestFiles.h"

#include "picture/Dib.h"
#include "platform/File.h"
#include "tests/support/TempDir.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

const std::filesystem::path kSuite = ZELNOR2_BMPSUITE_DIR;

std::vector<std::filesystem::path> SuiteFiles() {
    std::vector<std::filesystem::path> files;
    for (const char* group : {"g", "q", "b"}) {
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(kSuite / group, error)) {
            if (entry.path().extension() == ".bmp") {
                files.push_back(entry.path());
            }
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

bool ReadSuiteFile(const std::filesystem::path& path, CDib& dib) {
    platform::File file;
    if (!file.OpenForReading(path.string())) {
        ADD_FAILURE() << "cannot open " << path;
        return false;
    }
    return dib.ReadBmp(file);
}

} // namespace

TEST(DibSuite, EveryFileIsReadOrRefusedSafely) {
    const std::vector<std::filesystem::path> files = SuiteFiles();
    if (files.empty()) {
        GTEST_SKIP() << "no conformance files at " << kSuite;
    }
    std::size_t read = 0;
    std::size_t refused = 0;
    for (const auto& path : files) {
        SCOPED_TRACE(path.string());
        const std::string bytes = testsupport::ReadFile(path.string());
        CDib dib;
        if (!ReadSuiteFile(path, dib)) {
            ++refused;
            EXPECT_EQ(dib.pixels, nullptr);
            continue;
        }
        ++read;
        ASSERT_NE(dib.InfoHeader(), nullptr);
        EXPECT_EQ(dib.InfoHeader()->biSize, 40u);
        EXPECT_LE(dib.colorCount, 256);
        EXPECT_LE(dib.imageSize, bytes.size());
        ASSERT_NE(dib.pixels, nullptr);
        // What was read must survive a write and a second read unchanged.
        bool written = false;
        const std::string copy = bmptest::WriteBmpBytes(dib, written);
        ASSERT_TRUE(written);
        CDib again;
        ASSERT_TRUE(bmptest::ReadBmpBytes(copy, again));
        ASSERT_EQ(again.imageSize, dib.imageSize);
        const std::uint8_t* pixels = dib.pixels;
        EXPECT_TRUE(std::equal(pixels, pixels + dib.imageSize,
                               static_cast<const std::uint8_t*>(again.pixels)));
    }
    EXPECT_EQ(read + refused, files.size());
    RecordProperty("read", static_cast<int>(read));
    RecordProperty("refused", static_cast<int>(refused));

    // Files whose headers no careful reader may trust.
    for (const char* name :
         {"b/badbitssize.bmp", "b/badpalettesize.bmp", "b/badwidth.bmp", "b/reallybig.bmp",
          "b/shortfile.bmp", "b/badheadersize.bmp", "g/pal8v4.bmp", "g/pal8v5.bmp", "g/pal8os2.bmp",
          "q/pal8oversizepal.bmp"}) {
        SCOPED_TRACE(name);
        if (!std::filesystem::exists(kSuite / name)) {
            continue;
        }
        CDib dib;
        EXPECT_FALSE(ReadSuiteFile(kSuite / name, dib));
    }
}

TEST(DibSuite, GoodFilesOfTheCameraDepthsAreReadWithTheirSize) {
    struct Case {
        const char* name;
        bmptest::DibShape shape;
    };
    const Case cases[] = {
        {"g/pal8.bmp", {127, 64, 8, 252, 8192}},
        {"g/pal8-0.bmp", {127, 64, 8, 256, 8192}}, // no pixel size given: the row rule
        {"g/pal8gs.bmp", {127, 64, 8, 252, 8192}},
        {"g/pal8nonsquare.bmp", {127, 32, 8, 252, 4096}},
        {"g/pal8topdown.bmp", {127, -64, 8, 252, 8192}},
        {"g/pal8w124.bmp", {124, 61, 8, 252, 7564}},
        {"g/pal8w125.bmp", {125, 62, 8, 252, 7936}},
        {"g/pal8w126.bmp", {126, 63, 8, 252, 8064}},
        {"g/rgb24.bmp", {127, 64, 24, 0, 24576}},
        {"g/rgb24pal.bmp", {127, 64, 24, 256, 24576}},
    };
    if (!std::filesystem::exists(kSuite / "g")) {
        GTEST_SKIP() << "no conformance files at " << kSuite;
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string bytes = testsupport::ReadFile((kSuite / c.name).string());
        ASSERT_GT(bytes.size(), 54u);
        CDib dib;
        ASSERT_TRUE(ReadSuiteFile(kSuite / c.name, dib));
        ASSERT_EQ(bmptest::ShapeOf(dib), c.shape);
        // Table and pixels are the file's own bytes, from where the file
        // header says the pixels are.
        for (std::size_t i = 0; i < dib.ColorTable().size(); ++i) {
            ASSERT_EQ(bmptest::EntryValue(dib.ColorTable()[i]), bmptest::U32At(bytes, 54 + 4 * i))
                << "colour " << i;
        }
        const std::size_t offset = bmptest::U32At(bytes, 10);
        ASSERT_LE(offset + c.shape.imageSize, bytes.size());
        const std::uint8_t* pixels = dib.pixels;
        EXPECT_TRUE(std::equal(pixels, pixels + c.shape.imageSize,
                               reinterpret_cast<const std::uint8_t*>(bytes.data()) + offset));
    }
}
