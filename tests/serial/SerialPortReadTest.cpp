#include "PortTestSupport.h"
#include "platform/TickCount.h"
#include "serial/SerialPort.h"
#include "tests/support/LinkedPort.h"

#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

using porttest::Text;
using porttest::WaitForCount;
using porttest::WaitUntilDrained;
using testsupport::LinkedPort;

namespace {

using Clock = std::chrono::steady_clock;

std::vector<std::uint8_t> Pattern(std::size_t length, std::uint8_t salt) {
    std::vector<std::uint8_t> bytes(length);
    for (std::size_t i = 0; i < length; ++i) {
        bytes[i] = static_cast<std::uint8_t>(i * 7 + salt);
    }
    return bytes;
}

// A port that is open on a fresh line.
struct OpenPort {
    LinkedPort line{1};
    SerialPort port;
    OpenPort() {
        if (!port.Open(1, 115200, "n,8,1")) {
            ADD_FAILURE() << port.LastOpenError();
        }
    }
    // Sends bytes from the far end and waits until the port holds them.
    void Receive(std::string_view bytes) {
        const auto before = port.BufferCount();
        ASSERT_TRUE(line.Send(bytes));
        ASSERT_TRUE(WaitForCount(port, before + static_cast<std::uint32_t>(bytes.size())));
    }
};

} // namespace

TEST(SerialPortRead, NothingToDeliverReturnsAtOnce) {
    OpenPort open;
    std::uint8_t into[8] = {};
    EXPECT_EQ(open.port.Read(into, 8, false, SerialPort::kNoTimeLimit), 0u);
    EXPECT_TRUE(open.port.IsBufferEmpty());

    open.Receive("abc");
    // Neither a null destination nor a length of 0 waits, even for ever.
    EXPECT_EQ(open.port.Read(nullptr, 8, true, SerialPort::kNoTimeLimit), 0u);
    EXPECT_EQ(open.port.Read(into, 0, true, SerialPort::kNoTimeLimit), 0u);
    EXPECT_EQ(open.port.BufferCount(), 3u) << "nothing was taken";
}

TEST(SerialPortRead, DeliversTheOldestBytesAndKeepsTheRest) {
    OpenPort open;
    open.Receive("ABCDE");
    EXPECT_FALSE(open.port.IsBufferEmpty());
    std::uint8_t into[8] = {};
    ASSERT_EQ(open.port.Read(into, 3, true, 100), 3u);
    EXPECT_EQ(Text(into, 3), "ABC");
    EXPECT_EQ(open.port.BufferCount(), 2u);

    open.Receive("FG");
    ASSERT_EQ(open.port.Read(into, 8, false, SerialPort::kNoTimeLimit), 4u);
    EXPECT_EQ(Text(into, 4), "DEFG");
    EXPECT_TRUE(open.port.IsBufferEmpty());
}

TEST(SerialPortRead, TimeLimitDeliversWhatCame) {
    OpenPort open;
    open.Receive("1234");
    std::uint8_t into[10] = {};
    const auto start = Clock::now();
    ASSERT_EQ(open.port.Read(into, 10, true, 50), 4u);
    const auto waited = Clock::now() - start;
    EXPECT_EQ(Text(into, 4), "1234");
    EXPECT_TRUE(open.port.IsBufferEmpty());
    EXPECT_GE(waited, std::chrono::milliseconds(50)) << "gave up before the limit";
    EXPECT_LT(waited, std::chrono::seconds(10));
}

TEST(SerialPortRead, WaitForAllWaitsForLateBytes) {
    OpenPort open;
    open.Receive("ab");
    std::thread farEnd([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        open.line.Send("cde");
    });
    std::uint8_t into[5] = {};
    const auto got = open.port.Read(into, 5, true, SerialPort::kNoTimeLimit);
    farEnd.join();
    ASSERT_EQ(got, 5u);
    EXPECT_EQ(Text(into, 5), "abcde");
}

TEST(SerialPortRead, TimedReadEndsAcrossTheTickWrap) {
    OpenPort open;
    open.Receive("wrap");
    // Start 20 ms before the 32-bit millisecond counter wraps to 0.
    const platform::TickClock ticks{0xFFFFFFFFu - 20u - platform::TickCount()};
    open.port.SetTickClock(ticks);
    const std::uint32_t startTick = ticks.Now();
    ASSERT_GT(startTick, 0xFFFFFF00u);
    std::uint8_t into[10] = {};
    const auto start = Clock::now();
    ASSERT_EQ(open.port.Read(into, 10, true, 50), 4u);
    const auto waited = Clock::now() - start;
    EXPECT_LT(ticks.Now(), startTick) << "the counter did not wrap during the read";
    EXPECT_EQ(Text(into, 4), "wrap");
    EXPECT_GE(waited, std::chrono::milliseconds(50));
    EXPECT_LT(waited, std::chrono::seconds(10));
}

TEST(SerialPortRead, FullBufferHoldsTheRestBackInTheDriver) {
    OpenPort open;
    const auto first = Pattern(SerialPort::kDefaultCapacity - 10, 1);
    ASSERT_TRUE(open.line.Send(first));
    ASSERT_TRUE(WaitForCount(open.port, SerialPort::kDefaultCapacity - 10));
    // Room for 10 more: the other 10 of these 20 wait in the driver.
    const auto last = Pattern(20, 99);
    ASSERT_TRUE(open.line.Send(last));
    ASSERT_TRUE(WaitForCount(open.port, SerialPort::kDefaultCapacity));

    std::vector<std::uint8_t> into(SerialPort::kDefaultCapacity + 100);
    ASSERT_EQ(open.port.Read(into.data(), static_cast<std::uint32_t>(into.size()), false, 0),
              SerialPort::kDefaultCapacity);
    EXPECT_TRUE(std::equal(first.begin(), first.end(), into.begin()));
    EXPECT_TRUE(std::equal(last.begin(), last.begin() + 10, into.begin() + first.size()));
    ASSERT_EQ(open.port.Read(into.data(), 10, true, 5000), 10u) << "the rest was lost";
    EXPECT_TRUE(std::equal(last.begin() + 10, last.end(), into.begin()));
}

// A sender far faster than the reader is held back, not cut off: a stream of
// many buffers' worth, read in small pieces that wrap around the ring, comes
// out whole and in order.
TEST(SerialPortRead, StreamLargerThanTheBufferArrivesWhole) {
    OpenPort open;
    const auto sent = Pattern(7 * SerialPort::kDefaultCapacity + 123, 3);
    std::thread camera([&] { EXPECT_TRUE(open.line.Send(sent)); });
    std::vector<std::uint8_t> received;
    std::vector<std::uint8_t> piece(777);
    while (received.size() < sent.size()) {
        const auto wanted =
            static_cast<std::uint32_t>(std::min(piece.size(), sent.size() - received.size()));
        const std::uint32_t got = open.port.Read(piece.data(), wanted, true, 5000);
        if (got == 0) {
            break;
        }
        received.insert(received.end(), piece.begin(), piece.begin() + got);
        if (received.size() % 10 == 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1)); // a slow consumer
        }
    }
    camera.join();
    EXPECT_EQ(received, sent);
}

TEST(SerialPortRead, ReadForMoreThanTheBufferHoldsEndsWhenItIsFull) {
    OpenPort open;
    ASSERT_TRUE(open.port.ResizeBuffer(16));
    ASSERT_TRUE(open.line.Send(Pattern(40, 5)));
    std::vector<std::uint8_t> into(100);
    // Without the full-buffer rule this would wait for ever.
    ASSERT_EQ(open.port.Read(into.data(), 100, true, SerialPort::kNoTimeLimit), 16u);
    const auto sent = Pattern(16, 5);
    EXPECT_TRUE(std::equal(sent.begin(), sent.end(), into.begin()));
}

TEST(SerialPortRead, BufferOutlivesCloseAndTheNextOpen) {
    OpenPort open;
    open.Receive("kept");
    ASSERT_TRUE(open.port.Close());
    EXPECT_EQ(open.port.BufferCount(), 4u);
    std::uint8_t into[8] = {};
    ASSERT_EQ(open.port.Read(into, 2, false, SerialPort::kNoTimeLimit), 2u);
    EXPECT_EQ(Text(into, 2), "ke");

    ASSERT_TRUE(open.port.Open(1, 115200, "n,8,1")) << open.port.LastOpenError();
    EXPECT_EQ(open.port.BufferCount(), 2u);
    ASSERT_EQ(open.port.Read(into, 8, false, SerialPort::kNoTimeLimit), 2u);
    EXPECT_EQ(Text(into, 2), "pt");

    open.Receive("gone");
    EXPECT_TRUE(open.port.ClearBuffer());
    EXPECT_TRUE(open.port.IsBufferEmpty());
    EXPECT_EQ(open.port.Read(into, 8, true, 20), 0u);
}

TEST(SerialPortRead, ResizeEmptiesAndSetsTheNewCapacity) {
    OpenPort open;
    open.Receive("old bytes");
    EXPECT_FALSE(open.port.ResizeBuffer(0));
    EXPECT_EQ(open.port.BufferCount(), 9u) << "a refused resize keeps the bytes";

    ASSERT_TRUE(open.port.ResizeBuffer(16));
    EXPECT_TRUE(open.port.IsBufferEmpty());
    const auto sent = Pattern(30, 3);
    ASSERT_TRUE(open.line.Send(sent));
    ASSERT_TRUE(WaitForCount(open.port, 16));
    ASSERT_TRUE(WaitUntilDrained(open.port));
    std::vector<std::uint8_t> into(30);
    ASSERT_EQ(open.port.Read(into.data(), 30, false, 0), 16u);
    EXPECT_TRUE(std::equal(sent.begin(), sent.begin() + 16, into.begin()));
}

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define ZELNOR2_LIMITED_MEMORY_TEST_POSSIBLE 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define ZELNOR2_LIMITED_MEMORY_TEST_POSSIBLE 0
#endif
#endif
#ifndef ZELNOR2_LIMITED_MEMORY_TEST_POSSIBLE
#define ZELNOR2_LIMITED_MEMORY_TEST_POSSIBLE 1
#endif

TEST(SerialPortRead, ResizeWithoutMemoryKeepsTheOldBuffer) {
    if (!ZELNOR2_LIMITED_MEMORY_TEST_POSSIBLE) {
        GTEST_SKIP() << "sanitizers reserve address space that a memory limit would cut";
    }
    OpenPort open;
    open.Receive("precious");
    ASSERT_TRUE(open.port.Close()); // no reader thread to carry into the child
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Leave the child far too little address space for a 1 GB buffer.
        long pages = 0;
        if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
            if (std::fscanf(statm, "%ld", &pages) != 1) {
                pages = 0;
            }
            std::fclose(statm);
        }
        const rlim_t limit = static_cast<rlim_t>(pages) * ::sysconf(_SC_PAGESIZE) + (64u << 20);
        const rlimit space{limit, limit};
        if (pages == 0 || ::setrlimit(RLIMIT_AS, &space) != 0) {
            ::_exit(2);
        }
        if (open.port.ResizeBuffer(1u << 30)) {
            ::_exit(3);
        }
        std::uint8_t into[8] = {};
        const bool kept = open.port.Read(into, 8, false, 0) == 8 && Text(into, 8) == "precious";
        ::_exit(kept ? 0 : 4);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0)
        << "2: no limit set, 3: resize claimed success, 4: bytes lost";
}

namespace {

int ThreadsOfThisProcess() {
    int threads = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/task")) {
        (void)entry;
        ++threads;
    }
    return threads;
}

} // namespace

// An unplugged adapter, played by a pseudo-terminal whose far end closes: the
// line counts as lost, a waiting read ends at once with what had arrived, the
// reader thread ends instead of polling a dead descriptor, and once the
// adapter is back under another device the port opens again.
TEST(SerialPortLineLost, HangUpEndsTheReaderAndThePortOpensAgainOnTheNewDevice) {
    OpenPort open;
    const std::string firstDevice = open.line.SlavePath();
    EXPECT_FALSE(open.port.IsLineLost());
    EXPECT_EQ(open.port.LineLostReason(), "");
    const int threadsOpen = ThreadsOfThisProcess();
    ASSERT_TRUE(open.line.Send(std::string_view("AB")));
    ASSERT_TRUE(WaitForCount(open.port, 2));

    open.line.Unplug();
    std::uint8_t into[10] = {};
    EXPECT_EQ(open.port.Read(into, 10, true, SerialPort::kNoTimeLimit), 2u);
    EXPECT_EQ(Text(into, 2), "AB");
    EXPECT_TRUE(open.port.IsLineLost());
    const std::string reason = open.port.LineLostReason();
    EXPECT_EQ(reason.rfind("COM1 (" + firstDevice + "): ", 0), 0u) << reason;
    EXPECT_TRUE(testsupport::WaitUntil([&] { return ThreadsOfThisProcess() == threadsOpen - 1; }))
        << "the reader still runs";
    EXPECT_TRUE(open.port.IsOpen()) << "only Close lets go of the descriptor";

    open.port.Close();
    EXPECT_FALSE(open.port.Open(1, 115200, "n,8,1"));
    open.line.PlugBack();
    ASSERT_TRUE(open.port.Open(1, 115200, "n,8,1")) << open.port.LastOpenError();
    EXPECT_FALSE(open.port.IsLineLost());
    EXPECT_EQ(open.port.PortDescription(), "COM1 (" + open.line.SlavePath() + ")");
    ASSERT_TRUE(open.line.Send(std::string_view("CD")));
    EXPECT_EQ(open.port.Read(into, 2, true, 5000), 2u);
    EXPECT_EQ(Text(into, 2), "CD");
}
