// What each address answers: the snapshot, the state, the run's pictures,
// and what it refuses.
#include "HttpClient.h"
#include "TestPictures.h"
#include "ViewFixture.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <thread>

namespace webtest {
namespace {

TEST(SnapshotTest, UnavailableBeforeTheFirstPictureThenTheNewest) {
    ViewFixture fixture;
    const HttpResponse before = Request(fixture.Port(), "GET", "/snapshot");
    EXPECT_EQ(before.status, 503);
    EXPECT_EQ(before.Header("content-type"), "text/plain; charset=utf-8");

    fixture.StorePicture(0, MakeJpeg(160, 120, 0));
    const std::string newest = MakeJpeg(160, 120, 1);
    fixture.StorePicture(1, newest);
    const HttpResponse after = Request(fixture.Port(), "GET", "/snapshot");
    EXPECT_EQ(after.status, 200);
    EXPECT_EQ(after.Header("content-type"), "image/jpeg");
    EXPECT_EQ(after.Header("cache-control"), "no-store");
    EXPECT_EQ(after.body, newest);
}

TEST(StateTest, AgreesWithTheTallyOfTheSameEvents) {
    ViewFixture fixture;
    const auto both = [&](const transfer::RunEvent& event) { fixture.Tell(event); };
    both(transfer::WaitingForHeader{});
    const std::string picture = MakeJpeg(160, 120, 3);
    fixture.StorePicture(7, picture);
    both(transfer::PictureFailed{8, transfer::FailureCause::CutShort, "", {5000, 400ms}});
    both(transfer::Progress{640, 480, 4864, 32309});

    const HttpResponse response = Request(fixture.Port(), "GET", "/state");
    ASSERT_EQ(response.status, 200);
    EXPECT_EQ(response.Header("content-type"), "application/json");
    const auto state = nlohmann::json::parse(response.body);
    const transfer::RunSnapshot expected = fixture.tally.Snapshot();
    EXPECT_EQ(state["state"], "receiving");
    EXPECT_EQ(state["transfer"]["stored"], 4864);
    EXPECT_EQ(state["transfer"]["expected"], 32309);
    EXPECT_EQ(state["transfer"]["width"], 640);
    EXPECT_EQ(state["totals"]["good"], expected.totals.goodPictures);
    EXPECT_EQ(state["totals"]["failed"], expected.totals.failedPictures);
    EXPECT_EQ(state["totals"]["bytes"], expected.totals.goodPictureBytes);
    // 5000 bytes in 0.4 s came faster than 115200 bit/s carry them.
    const transfer::LineUse line = transfer::LineUseOf(expected.totals, 115200);
    ASSERT_EQ(line.kind, transfer::LineUse::Kind::FasterThanLine);
    EXPECT_TRUE(state["totals"]["lineEfficiency"].is_null()) << "no percentage above 100";
    EXPECT_EQ(state["totals"]["fasterThanLine"], true);
    EXPECT_DOUBLE_EQ(state["totals"]["bytesPerSecond"].get<double>(), line.bytesPerSecond);
    EXPECT_TRUE(state["kept"].is_null()) << "no retention in this run";
    EXPECT_EQ(state["newest"]["number"], 7);
    // The file by its name only, not where it lies on the machine.
    EXPECT_EQ(state["newest"]["file"], "shot00000007.jpg");
    EXPECT_EQ(state["device"], "COM1 (/dev/ttyUSB0)");
    EXPECT_EQ(state["speed"], 115200);

    both(transfer::LineLost{"COM1 (/dev/ttyUSB0): Input/output error", true});
    const auto lost = nlohmann::json::parse(Request(fixture.Port(), "GET", "/state").body);
    EXPECT_EQ(lost["state"], "line-lost");
    EXPECT_EQ(lost["reason"], "COM1 (/dev/ttyUSB0): Input/output error");
    EXPECT_TRUE(lost["transfer"].is_null());
}

TEST(EventsTest, EachEventCarriesTheStateAsStateGivesIt) {
    ViewFixture fixture;
    Connection events(fixture.Port());
    ASSERT_TRUE(events.Send("GET /events HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n"));
    ASSERT_TRUE(events.ReceiveUntil("\n\n", 20s));
    ASSERT_TRUE(events.ReceiveUntil("data: ", 20s));
    EXPECT_NE(events.received.find("text/event-stream"), std::string::npos);
    fixture.Tell(transfer::LineLost{"the adapter is gone", true});
    ASSERT_TRUE(events.ReceiveUntil("the adapter is gone", 20s));
    const auto at = events.received.rfind("data: ");
    const auto end = events.received.find("\n\n", at);
    ASSERT_NE(end, std::string::npos);
    auto event = nlohmann::json::parse(events.received.substr(at + 6, end - at - 6));
    auto state = nlohmann::json::parse(Request(fixture.Port(), "GET", "/state").body);
    // Only the uptime moves between the two.
    event.erase("uptime");
    state.erase("uptime");
    EXPECT_EQ(event, state);
    EXPECT_EQ(event["state"], "line-lost");
}

TEST(EventsTest, AtMostTenASecond) {
    ViewFixture fixture;
    const auto start = std::chrono::steady_clock::now();
    Connection events(fixture.Port());
    ASSERT_TRUE(events.Send("GET /events HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n"));
    // Progress as a fast line reports it: far more than ten a second.
    for (std::uint32_t stored = 0; stored < 150; ++stored) {
        fixture.Tell(transfer::Progress{640, 480, stored * 256, 307200});
        std::this_thread::sleep_for(5ms);
    }
    fixture.Tell(transfer::Progress{640, 480, 999'999, 307200});
    // The last change still goes out, once the pause after the one before
    // has passed.
    ASSERT_TRUE(events.ReceiveUntil("999999"));
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::size_t sent = 0;
    for (auto at = events.received.find("data: "); at != std::string::npos;
         at = events.received.find("data: ", at + 1)) {
        ++sent;
    }
    EXPECT_GE(sent, 2u);
    EXPECT_LE(static_cast<double>(sent), seconds * 10 + 1) << sent << " in " << seconds << " s";
}

TEST(PicturesTest, ServesTheRunsPicturesByNumberNewestFirst) {
    ViewFixture fixture;
    std::vector<std::string> pictures;
    for (std::uint64_t number = 0; number < 3; ++number) {
        pictures.push_back(MakeJpeg(160, 120, static_cast<int>(number)));
        fixture.StorePicture(number, pictures.back());
    }
    for (std::uint64_t number = 0; number < 3; ++number) {
        const HttpResponse response =
            Request(fixture.Port(), "GET", "/pictures/" + std::to_string(number));
        EXPECT_EQ(response.status, 200);
        EXPECT_EQ(response.body, pictures[number]);
    }
    EXPECT_EQ(Request(fixture.Port(), "GET", "/pictures/").status, 200);
    const HttpResponse list = Request(fixture.Port(), "GET", "/pictures/list");
    EXPECT_EQ(list.status, 200);
    const auto listed = nlohmann::json::parse(list.body);
    EXPECT_EQ(listed["device"], "COM1 (/dev/ttyUSB0)");
    ASSERT_EQ(listed["pictures"].size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(listed["pictures"][i]["number"], 2 - i) << "newest first";
        EXPECT_GT(listed["pictures"][i]["time"].get<double>(), 0);
    }

    // A capture file removed since is gone, not an error of the server.
    std::remove(fixture.PicturePath(1).c_str());
    EXPECT_EQ(Request(fixture.Port(), "GET", "/pictures/1").status, 404);
}

TEST(PicturesTest, LiveModeKeepsThePicturesThemselves) {
    ViewFixture fixture(transfer::RunKind::Live);
    const std::string first = MakeJpeg(160, 120, 1);
    fixture.StorePicture(1, first);
    fixture.StorePicture(2, MakeJpeg(160, 120, 2));
    // The display file now holds picture 2; picture 1 comes from memory.
    const HttpResponse response = Request(fixture.Port(), "GET", "/pictures/1");
    EXPECT_EQ(response.status, 200);
    EXPECT_EQ(response.body, first);
}

TEST(PicturesTest, PageListsTheLastFiftyOnly) {
    ViewFixture fixture;
    const std::string picture = MakeJpeg(16, 16, 0);
    for (std::uint64_t number = 0; number < 55; ++number) {
        fixture.StorePicture(number, picture);
    }
    const auto listed =
        nlohmann::json::parse(Request(fixture.Port(), "GET", "/pictures/list").body)["pictures"];
    ASSERT_EQ(listed.size(), 50u);
    EXPECT_EQ(listed.front()["number"], 54);
    EXPECT_EQ(listed.back()["number"], 5);
}

TEST(PicturesTest, LiveModeDropsTheOldestBeyondItsMemory) {
    web::WebOptions options;
    options.livePictureMemoryBytes = 250'000;
    ViewFixture fixture(transfer::RunKind::Live, options);
    for (std::uint64_t number = 0; number < 5; ++number) {
        fixture.StorePicture(number, std::string(100'000, static_cast<char>('a' + number)));
    }
    for (std::uint64_t number = 0; number < 5; ++number) {
        const HttpResponse response =
            Request(fixture.Port(), "GET", "/pictures/" + std::to_string(number));
        EXPECT_EQ(response.status, number < 3 ? 404 : 200) << number;
    }
}

TEST(PicturesTest, OnlyAPlainNumberOfTheRunIsAPicture) {
    ViewFixture fixture;
    fixture.StorePicture(5, MakeJpeg(160, 120, 5));
    // A file the request might try to name instead.
    testsupport::WriteFile(fixture.folder / "secret.txt", "secret");
    for (const char* path : {"/pictures/6", "/pictures/5x", "/pictures/+5", "/pictures/05x",
                             "/pictures/-5", "/pictures/%35%78", "/pictures/../../etc/passwd",
                             "/pictures/%2e%2e/%2e%2e/etc/passwd", "/pictures/..%2fsecret.txt",
                             "/pictures/99999999999999999999999", "/pictures/18446744073709551616",
                             "/pictures/5/", "/pictures/5%00", "/../etc/passwd", "/etc/passwd"}) {
        const HttpResponse response = Request(fixture.Port(), "GET", path);
        EXPECT_EQ(response.status, 404) << path;
        EXPECT_EQ(response.body.find("secret"), std::string::npos) << path;
        EXPECT_EQ(response.body.find("root:"), std::string::npos) << path;
    }
    EXPECT_EQ(Request(fixture.Port(), "GET", "/pictures/5").status, 200);
}

TEST(MethodsTest, OnlyGetAndHeadAreAnswered) {
    ViewFixture fixture;
    for (const char* method : {"POST", "PUT", "DELETE", "OPTIONS", "PATCH"}) {
        const HttpResponse response =
            Request(fixture.Port(), method, "/state", "Content-Length: 0\r\n");
        EXPECT_EQ(response.status, 405) << method;
        EXPECT_EQ(response.Header("allow"), "GET, HEAD") << method;
    }
    // HEAD of the endless bodies answers with their headers and ends.
    for (const char* path : {"/", "/stream", "/events", "/state"}) {
        const HttpResponse head = Request(fixture.Port(), "HEAD", path);
        EXPECT_EQ(head.status, 200) << path;
        EXPECT_NE(head.Header("content-type"), "") << path;
        EXPECT_EQ(head.body, "") << path;
    }
    EXPECT_EQ(Request(fixture.Port(), "GET", "/nothing").status, 404);
}

TEST(PageTest, IsSelfContainedAndShowsTheStream) {
    ViewFixture fixture;
    const HttpResponse page = Request(fixture.Port(), "GET", "/");
    ASSERT_EQ(page.status, 200);
    EXPECT_EQ(page.Header("content-type"), "text/html; charset=utf-8");
    EXPECT_NE(page.body.find("<img id=\"live\" src=\"stream\""), std::string::npos);
    EXPECT_NE(page.body.find("\"events\""), std::string::npos);
    EXPECT_NE(page.body.find("href=\"snapshot\""), std::string::npos);
    EXPECT_NE(page.body.find("href=\"pictures/\""), std::string::npos);
    // Every address relative, so that the page works behind a reverse proxy
    // that serves it under a path of its own.
    EXPECT_EQ(page.body.find("src=\"/"), std::string::npos);
    EXPECT_EQ(page.body.find("href=\"/"), std::string::npos);
    // Nothing from elsewhere: no address with a scheme or a protocol-relative one.
    EXPECT_EQ(page.body.find("http:"), std::string::npos);
    EXPECT_EQ(page.body.find("https:"), std::string::npos);
    EXPECT_EQ(page.body.find("src=\"//"), std::string::npos);
}

} // namespace
} // namespace webtest
