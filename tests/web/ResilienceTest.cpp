// Viewers that misbehave or stop reading, and a view that stops with viewers
// connected: the camera never waits, and nothing is left behind.
#include "HttpClient.h"
#include "TestPictures.h"
#include "ViewFixture.h"

#include "tests/support/WaitUntil.h"

#include <atomic>
#include <gtest/gtest.h>
#include <memory>
#include <thread>
#include <vector>

namespace webtest {
namespace {

// Descriptors and threads of the process before a view starts, compared with
// after it stopped. A sanitizer's runtime may start a thread of its own with
// the process's first thread: one comes and goes before the count.
struct ProcessResources {
    static bool OneThreadCameAndWent() {
        std::thread([] {}).join();
        return true;
    }
    bool warmedUp = OneThreadCameAndWent();
    int descriptors = OpenDescriptors();
    int threads = Threads();
};

// Every viewer of these tests comes from 127.0.0.1.
web::WebOptions OneAddressForAll() {
    web::WebOptions options;
    options.maxConnectionsPerAddress = 0;
    return options;
}

TEST(ResilienceTest, BadRequestsLeaveTheServerServingAndNothingBehind) {
    const ProcessResources before;
    {
        ViewFixture fixture(transfer::RunKind::Capture, OneAddressForAll());
        fixture.StorePicture(1, MakeJpeg(160, 120, 1));
        // A header far beyond the request memory.
        const HttpResponse huge = Request(fixture.Port(), "GET", "/state",
                                          "X-Filler: " + std::string(100 * 1024, 'a') + "\r\n");
        EXPECT_TRUE(huge.status == 0 || huge.status == 431 || huge.status == 413 ||
                    huge.status == 400)
            << huge.status;
        {
            Connection garbage(fixture.Port());
            garbage.Send(std::string("\x16\x03\x01\x02\x00\x01\x00\x01\xfc\x03\x03", 11) +
                         std::string(3000, '\xff') + "\r\n\r\n");
            garbage.ReceiveToEnd(20s);
            const HttpResponse answer = ParseResponse(garbage.received);
            EXPECT_TRUE(answer.status == 0 || answer.status == 400) << answer.status;
        }
        {
            // 500 connections opened and dropped, some after half a request.
            for (int i = 0; i < 500; ++i) {
                Connection dropped(fixture.Port());
                if (i % 2 == 0) {
                    dropped.Send("GET /stream HTTP/1.1\r\nHo");
                }
            }
        }
        EXPECT_EQ(Request(fixture.Port(), "GET", "/state").status, 200);
        EXPECT_EQ(Request(fixture.Port(), "GET", "/snapshot").status, 200);
    }
    // The dropped connections' threads end as the server sees them go.
    EXPECT_TRUE(testsupport::WaitUntil([&] { return Threads() == before.threads; }))
        << Threads() << " threads, " << before.threads << " before";
    EXPECT_EQ(OpenDescriptors(), before.descriptors);
}

TEST(ResilienceTest, StalledViewerSlowsNeitherTheCameraNorOtherViewers) {
    ViewFixture fixture(transfer::RunKind::Capture, OneAddressForAll());
    // One viewer that asks for the stream and never reads a byte.
    Connection stalled(fixture.Port());
    ASSERT_TRUE(stalled.Send("GET /stream HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n"));
    constexpr int kReaders = 16;
    std::vector<std::unique_ptr<StreamReader>> readers;
    for (int i = 0; i < kReaders; ++i) {
        readers.push_back(std::make_unique<StreamReader>(fixture.Port()));
        ASSERT_TRUE(readers.back()->Started());
    }
    // Large pictures, so that the stalled socket fills long before the end.
    std::vector<std::string> pictures;
    for (int i = 0; i < 50; ++i) {
        pictures.push_back(std::string(400'000, static_cast<char>('A' + i % 26)) +
                           std::to_string(i));
    }
    // The run on a thread of its own, as the worker is: every one of its
    // events must return while the stalled viewer holds its socket.
    std::atomic<int> returned{0};
    std::thread worker([&] {
        for (int i = 0; i < 50; ++i) {
            fixture.StorePicture(static_cast<std::uint64_t>(i), pictures[i]);
            ++returned;
        }
    });
    const bool allReturned = testsupport::WaitUntil([&] { return returned == 50; }, 60s);
    worker.join();
    EXPECT_TRUE(allReturned) << returned << " of 50 events returned";
    EXPECT_TRUE(stalled.Connected() && !stalled.PeerClosed());
    for (int i = 0; i < kReaders; ++i) {
        // Each reader skips what it was too slow for, but gets the last.
        std::optional<std::string> last;
        while (auto picture = readers[i]->NextPicture(20s)) {
            last = picture;
            if (*picture == pictures.back()) {
                break;
            }
        }
        ASSERT_TRUE(last.has_value()) << "reader " << i;
        EXPECT_EQ(*last, pictures.back()) << "reader " << i;
    }
}

TEST(ResilienceTest, StopEndsSixteenViewersAndLeavesNothingBehind) {
    const ProcessResources before;
    auto fixture = std::make_unique<ViewFixture>(transfer::RunKind::Capture, OneAddressForAll());
    fixture->StorePicture(1, MakeJpeg(160, 120, 1));
    std::vector<std::unique_ptr<StreamReader>> viewers;
    std::vector<std::unique_ptr<Connection>> events;
    for (int i = 0; i < 16; ++i) {
        if (i % 4 == 3) {
            events.push_back(std::make_unique<Connection>(fixture->Port()));
            events.back()->Send("GET /events HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
            ASSERT_TRUE(events.back()->ReceiveUntil("data: "));
        } else {
            viewers.push_back(std::make_unique<StreamReader>(fixture->Port()));
            ASSERT_TRUE(viewers.back()->NextPicture().has_value());
        }
    }
    // A viewer still in the middle of a picture it does not read.
    Connection stalled(fixture->Port());
    stalled.Send("GET /stream HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
    fixture->StorePicture(2, std::string(2'000'000, 'x'));

    std::atomic<bool> stopped{false};
    std::thread stopper([&] {
        fixture->View().Stop();
        stopped = true;
    });
    // Generous: a Stop that hangs on a viewer never returns at all.
    const bool returned = testsupport::WaitUntil([&] { return stopped.load(); }, 20s);
    stopper.join();
    ASSERT_TRUE(returned);
    for (auto& connection : events) {
        EXPECT_TRUE(connection->ReceiveToEnd(20s));
    }
    EXPECT_TRUE(stalled.ReceiveToEnd(20s)) << "the stalled viewer was not cut";
    fixture.reset();
    viewers.clear();
    events.clear();
    EXPECT_EQ(Threads(), before.threads);
    EXPECT_EQ(OpenDescriptors(), before.descriptors + 1); // the stalled one is still ours
}

TEST(ResilienceTest, ConnectionsBeyondTheLimitAreRefused) {
    web::WebOptions options;
    options.maxConnections = 2;
    ViewFixture fixture(transfer::RunKind::Capture, options);
    StreamReader first(fixture.Port());
    StreamReader second(fixture.Port());
    ASSERT_TRUE(first.Started() && second.Started());
    Connection third(fixture.Port());
    third.Send("GET /state HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
    EXPECT_TRUE(third.ReceiveToEnd());
    EXPECT_EQ(ParseResponse(third.received).status, 0);
}

TEST(ResilienceTest, BusyAddressIsAClearError) {
    ViewFixture first;
    web::WebOptions options;
    options.listen = {"127.0.0.1", false, first.Port()};
    web::WebView second(options, {}, first.tally);
    EXPECT_EQ(second.Start(),
              "127.0.0.1:" + std::to_string(first.Port()) + ": Address already in use");
}

} // namespace
} // namespace webtest
