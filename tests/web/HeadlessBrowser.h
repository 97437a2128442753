#pragma once

#include "platform/NoCopy.h"

#include <chrono>
#include <string>
#include <sys/types.h>

#include <nlohmann/json.hpp>

namespace webtest {

using namespace std::chrono_literals;

// Headless Chromium driven over its DevTools pipe, so that a test chooses the
// moment of a screenshot instead of guessing a timeout. The browser gets a
// fresh profile folder and is killed with the object.
class HeadlessBrowser : private platform::NoCopy {
public:
    static constexpr const char* kProgram = "/usr/bin/chromium";
    static bool Installed();

    HeadlessBrowser(const std::string& url, int width, int height);
    ~HeadlessBrowser();

    // Attaches to the page the browser opened; false when it did not answer.
    bool AttachToPage(std::chrono::milliseconds limit = 60s);
    // A DevTools command on the page; its result, or null on error or silence.
    nlohmann::json Call(const std::string& method, nlohmann::json params = nlohmann::json::object(),
                        std::chrono::milliseconds limit = 30s);
    // The value of a script run on the page.
    nlohmann::json Evaluate(const std::string& expression);
    // The page's pixels in a rectangle of CSS pixels, as JPEG bytes.
    std::string Screenshot(double x, double y, double width, double height);

private:
    nlohmann::json Send(nlohmann::json message, std::chrono::milliseconds limit);

    std::string profile;
    pid_t pid = -1;
    int toBrowser = -1;
    int fromBrowser = -1;
    int nextId = 1;
    std::string sessionId;
    std::string buffered;
};

struct GreyPixels;

// How the live picture of the page compared with a picture: the mean
// difference of their coarse grids, and how long after since it was looked at.
struct PictureOnPage {
    double difference = 1e9;
    double secondsAfter = 0;
};

// Looks at the page's live picture half a second after since, and again every
// quarter of a second while it does not match expected (a coarse 32 x 24
// grid) within tolerance, for up to limit: a stream that waits for the next
// picture would never show it. The last look.
PictureOnPage LookForThePicture(HeadlessBrowser& browser, const GreyPixels& expected,
                                double tolerance, std::chrono::steady_clock::time_point since,
                                std::chrono::milliseconds limit = 20s);

} // namespace webtest
