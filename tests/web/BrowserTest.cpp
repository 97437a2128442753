// What a viewer really sees: the page in headless Chromium shows a picture
// that no other picture follows. Chromium draws a part of the stream only
// once the next part's header block has come; this holds the decision to
// send that header block right after each picture.
#include "HeadlessBrowser.h"
#include "HttpClient.h"
#include "TestPictures.h"
#include "ViewFixture.h"

#include "tests/support/WaitUntil.h"

#include <cstdio>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>

namespace webtest {
namespace {

std::string ReadWhole(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

TEST(BrowserTest, PageShowsAPictureThatNoOtherFollows) {
    if (!HeadlessBrowser::Installed()) {
        GTEST_SKIP() << HeadlessBrowser::kProgram << " is not installed";
    }
    const std::string photograph =
        ReadWhole(std::string(ZELNOR2_TEST_PICTURES_DIR) + "/ladybird-640x480.jpg");
    ASSERT_FALSE(photograph.empty());
    const GreyPixels expected = Coarse(DecodeGrey(photograph), 32, 24);

    ViewFixture fixture;
    HeadlessBrowser browser("http://127.0.0.1:" + std::to_string(fixture.Port()) + "/", 1280, 900);
    ASSERT_TRUE(browser.AttachToPage());
    // The page's stream is open and waits for the camera.
    ASSERT_TRUE(testsupport::WaitUntil(
        [&] {
            return Request(fixture.Port(), "GET", "/state").body.find("\"viewers\":1") !=
                   std::string::npos;
        },
        60s));

    fixture.StorePicture(1, photograph);
    const auto stored = std::chrono::steady_clock::now();
    const PictureOnPage look = LookForThePicture(browser, expected, 12, stored);
    std::printf("picture compared %.2f s after its event, mean difference %.1f grey levels\n",
                look.secondsAfter, look.difference);
    EXPECT_LT(look.difference, 12);
}

// The page of the recent pictures is drawn by its script from their list:
// one linked thumbnail a picture, newest first, under the device's name.
TEST(BrowserTest, PicturesPageShowsTheListNewestFirst) {
    if (!HeadlessBrowser::Installed()) {
        GTEST_SKIP() << HeadlessBrowser::kProgram << " is not installed";
    }
    ViewFixture fixture;
    for (std::uint64_t number = 0; number < 3; ++number) {
        fixture.StorePicture(number, MakeJpeg(160, 120, static_cast<int>(number)));
    }
    HeadlessBrowser browser("http://127.0.0.1:" + std::to_string(fixture.Port()) + "/pictures/",
                            1280, 900);
    ASSERT_TRUE(browser.AttachToPage());
    const char* kShown = R"(JSON.stringify({
        heading: document.getElementById("heading").textContent,
        links: [...document.querySelectorAll("figure a")].map((a) => a.getAttribute("href")),
        images: [...document.querySelectorAll("figure img")].filter((i) => i.naturalWidth === 160).length}))";
    nlohmann::json shown;
    testsupport::WaitUntil(
        [&] {
            const auto text = browser.Evaluate(kShown);
            shown = text.is_string() ? nlohmann::json::parse(text.get<std::string>()) : nullptr;
            return shown.is_object() && shown["images"] == 3;
        },
        60s);
    ASSERT_TRUE(shown.is_object());
    EXPECT_EQ(shown["heading"], "Pictures of COM1 (/dev/ttyUSB0)");
    EXPECT_EQ(shown["links"], (nlohmann::json{"2", "1", "0"}));
    EXPECT_EQ(shown["images"], 3) << "each thumbnail loaded";
}

} // namespace
} // namespace webtest
