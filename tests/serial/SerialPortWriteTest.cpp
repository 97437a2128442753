#include "serial/SerialPort.h"
#include "tests/support/LinkedPort.h"

#include <cerrno>
#include <chrono>
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>
#include <vector>

using testsupport::LinkedPort;

TEST(SerialPortWrite, SendsBytesAndSingleCharacters) {
    LinkedPort line(1);
    SerialPort port;
    const char bytes[] = "HELLO";
    EXPECT_EQ(port.Write(bytes, 5), 0u) << "nothing to write to while closed";
    EXPECT_FALSE(port.WriteChar('x'));

    ASSERT_TRUE(port.Open(1, 115200, "n,8,1")) << port.LastOpenError();
    EXPECT_EQ(port.Write(nullptr, 5), 0u);
    EXPECT_EQ(port.Write(bytes, 0), 0u);
    EXPECT_EQ(port.Write(bytes, 5), 5u);
    EXPECT_TRUE(port.WriteChar(0x06));
    const auto received = line.Receive(6, std::chrono::seconds(10));
    EXPECT_EQ(std::string(received.begin(), received.end()), "HELLO\x06");
}

TEST(SerialPortWrite, GivesUpWhenTheLineTakesNothingMore) {
    LinkedPort line(1);
    SerialPort port;
    ASSERT_TRUE(port.Open(1, 115200, "n,8,1")) << port.LastOpenError();
    // Fill every queue between here and the far end, which reads nothing.
    const std::vector<std::uint8_t> block(4096, 0x33);
    // The kernel moves bytes on in the background, so the queues are full
    // only when no room appears for a while.
    std::size_t queued = 0;
    for (;;) {
        const auto done = ::write(port.Handle(), block.data(), block.size());
        if (done > 0) {
            queued += static_cast<std::size_t>(done);
            continue;
        }
        ASSERT_EQ(errno, EAGAIN);
        pollfd room{port.Handle(), POLLOUT, 0};
        if (::poll(&room, 1, 200) == 0) {
            break;
        }
    }

    const std::uint8_t more[10] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    EXPECT_EQ(port.Write(more, 10), 0u) << "the write limit ran out";
    EXPECT_FALSE(port.WriteChar(0x15));

    // Once the far end takes the backlog, writing works again.
    const auto backlog = line.Receive(queued, std::chrono::seconds(10));
    EXPECT_EQ(backlog.size(), queued);
    EXPECT_EQ(port.Write(more, 10), 10u);
    const auto received = line.Receive(10, std::chrono::seconds(10));
    EXPECT_EQ(received, std::vector<std::uint8_t>(more, more + 10));
}
