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
#include <thread>

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
    // About a second after the event, and again while it does not show yet:
    // a stream that waits for the next picture never shows it at all.
    std::this_thread::sleep_for(1s);
    double difference = 1e9;
    double shownAfter = 0;
    while (std::chrono::steady_clock::now() - stored < 20s) {
        const auto box = browser.Evaluate(
            "(() => { const r = document.getElementById('live').getBoundingClientRect();"
            " return [r.x, r.y, r.width, r.height]; })()");
        ASSERT_TRUE(box.is_array() && box.size() == 4) << box.dump();
        const std::string screenshot = browser.Screenshot(box[0], box[1], box[2], box[3]);
        const GreyPixels seen = DecodeGrey(screenshot);
        ASSERT_GT(seen.width, 0);
        difference = MeanDifference(Coarse(seen, 32, 24), expected);
        shownAfter =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - stored).count();
        if (difference < 12) {
            break;
        }
        std::this_thread::sleep_for(500ms);
    }
    std::printf("picture compared %.2f s after its event, mean difference %.1f grey levels\n",
                shownAfter, difference);
    EXPECT_LT(difference, 12);
}

} // namespace
} // namespace webtest
