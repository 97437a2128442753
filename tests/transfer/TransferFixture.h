#pragma once

#include "serial/SerialPort.h"
#include "tests/support/LinkedPort.h"
#include "tests/support/PatternBytes.h"
#include "tests/support/RunRecorder.h"
#include "tests/support/TempDir.h"
#include "tools/camsim/Camera.h"
#include "transfer/PictureTransfer.h"
#include "transfer/WorkerContext.h"
#include "transfer/WorkerRun.h"

#include <cstdint>
#include <functional>
#include <stop_token>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace transfertest {

// Text of the open-file error in the language file the fixture writes.
inline constexpr const char* kOpenFileError = "Cannot create the picture file";
inline constexpr const char* kDisconnected = "Link closed";

// Writes a language file with the texts the transfer and the workers use, and
// makes the lookups read it while the object lives.
class TestLanguage {
public:
    TestLanguage();
    ~TestLanguage();

private:
    testsupport::TempDir dir;
};

// A serial port on the test line whose writes can be shortened, to play a
// line that takes fewer characters than offered, and that can run a hook
// before each write.
class ScriptedPort : public SerialPort {
public:
    std::uint32_t Write(const void* source, std::uint32_t length) override;
    bool WriteChar(std::uint8_t byte) override;

    // Writes from this number on (counting from 1, WriteChar included) deliver
    // only one character; 0 never.
    int shortFromWrite = 0;
    std::function<void(int writeNumber)> beforeWrite;
    int writes = 0;
};

using testsupport::PatternBytes;

// Whether the file holds exactly these bytes; says where they part if not,
// instead of printing both.
::testing::AssertionResult FileHolds(const std::string& path,
                                     const std::vector<std::uint8_t>& bytes);

// The camera writing as fast as the line takes bytes, the usual case here.
camsim::CameraOptions Unpaced();

// The real serial port on COM1 of a pseudo-terminal, with the camera
// simulator at the far end on a thread of its own.
class TransferTest : public ::testing::Test {
protected:
    void SetUp() override;

    // Runs the camera's pictures on a thread while fn receives here; returns
    // what the camera saw of each.
    std::vector<camsim::SendResult> WithCamera(const std::vector<camsim::OutgoingPicture>& pictures,
                                               const std::function<void()>& receive,
                                               camsim::CameraOptions options = Unpaced());
    // One picture: sends it and receives it into file; whether the receiver
    // stored it (its whole result in result).
    bool Transfer(const camsim::OutgoingPicture& picture, const std::string& file,
                  camsim::SendResult* sent = nullptr, camsim::CameraOptions options = Unpaced());
    // One call of the receiver, as a worker makes it.
    transfer::TransferResult Receive(const std::string& target) {
        return PictureTransfer(run, port, target);
    }

    static camsim::OutgoingPicture Jpeg(std::size_t size, std::uint16_t blockSize = 256,
                                        std::uint8_t checkFlag = 1, std::uint16_t ackFlag = 1);

    TestLanguage language;
    testsupport::LinkedPort line{1};
    testsupport::TempDir dir;
    ScriptedPort port;
    WorkerContext context;
    testsupport::RunRecorder events;
    std::stop_source stop;
    WorkerRun run{context, stop.get_token(), events};
    transfer::TransferResult result;
    std::string file = dir / "picture.jpg";
};

} // namespace transfertest
