// What a viewer of the service really sees: the page of the program without
// a window in headless Chromium, while a camera at 115200 bit/s sends one
// photograph and then nothing more.
#include "tests/e2e/BrowserView.h"
#include "tests/e2e/HeadlessProgram.h"
#include "tests/support/WaitUntil.h"
#include "tests/web/HeadlessBrowser.h"
#include "tests/web/HttpClient.h"
#include "tests/web/TestPictures.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <thread>

using namespace std::chrono_literals;
using namespace e2e;

// Chromium draws a part of the stream only once the next part's header block
// has come: a picture that no other follows must show all the same, soon
// after the camera hears that it arrived.
TEST_F(HeadlessProgramTest, ThePageShowsThePictureOfACameraThatThenFallsSilent) {
    if (!webtest::HeadlessBrowser::Installed()) {
        GTEST_SKIP() << webtest::HeadlessBrowser::kProgram << " is not installed";
    }
    camsim::OutgoingPicture photograph;
    const std::string bytes =
        testsupport::ReadFile(std::string(ZELNOR2_TEST_PICTURES_DIR) + "/ladybird-320x240.jpg");
    ASSERT_FALSE(bytes.empty());
    photograph.data.assign(bytes.begin(), bytes.end());
    photograph.width = 320;
    photograph.height = 240;
    const webtest::GreyPixels expected = webtest::Coarse(webtest::DecodeGrey(bytes), 32, 24);

    const std::uint16_t port = FreePort();
    auto program = Start({"--live", pictures / "now.jpg", "--port", "1", "--speed", "115200",
                          "--http", std::to_string(port)});
    ASSERT_TRUE(Listening(*program)) << program->Errors();
    webtest::HeadlessBrowser browser("http://127.0.0.1:" + std::to_string(port) + "/", 1280, 900);
    ASSERT_TRUE(browser.AttachToPage());
    // The page's stream is open and waits for the camera.
    ASSERT_TRUE(testsupport::WaitUntil(
        [&] {
            return webtest::Request(port, "GET", "/state").body.find("\"viewers\":1") !=
                   std::string::npos;
        },
        60s));

    camsim::CameraOptions paced;
    paced.bitsPerSecond = 115200;
    const camsim::SendResult sent = camsim::Camera(line.Master(), paced).Send(photograph);
    const auto acknowledged = std::chrono::steady_clock::now();
    ASSERT_EQ(sent.outcome, camsim::Outcome::Completed);

    // Half a second after the final acknowledgement, and again while it does
    // not show: a stream that waited for the next picture would never show it.
    const webtest::PictureOnPage look =
        webtest::LookForThePicture(browser, expected, 12, acknowledged);
    std::printf("compared %.2f s after the final acknowledgement: mean difference %.1f\n",
                look.secondsAfter, look.difference);
    EXPECT_LT(look.difference, 12) << "the picture is not on the page";
    program->Signal(SIGTERM);
    EXPECT_EQ(program->Wait(20s), 0) << program->Errors();
}
