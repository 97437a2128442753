#pragma once

#include "tests/support/ChildProcess.h"
#include "tests/support/LinkedPort.h"
#include "tests/support/PatternBytes.h"
#include "tests/support/ServiceManagerSocket.h"
#include "tests/support/TempDir.h"
#include "tests/web/TestPictures.h"
#include "tools/camsim/Camera.h"

#include <chrono>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace e2e {

inline const std::string kProgram = ZELNOR2_PROGRAM;

inline camsim::OutgoingPicture Picture(std::size_t size, std::uint32_t seed) {
    camsim::OutgoingPicture picture;
    picture.data = testsupport::PatternBytes(size, seed);
    return picture;
}

// A picture as a camera behind USB streams it: data only, without check
// bytes or acknowledgements, for an unpaced camera to write at once.
inline camsim::OutgoingPicture StreamedPicture(std::size_t size, std::uint32_t seed) {
    camsim::OutgoingPicture picture = Picture(size, seed);
    picture.blockSize = 0;
    picture.checkFlag = 0;
    picture.ackFlag = 0;
    return picture;
}

// A grey camera picture (webtest::MakeGreyPixels: its top differs from its
// bottom and its left from its right), sent as uncompressed pixels.
inline camsim::OutgoingPicture GreyPicture(const webtest::GreyPixels& pixels) {
    camsim::OutgoingPicture picture;
    picture.kind = 0;
    picture.width = static_cast<std::uint16_t>(pixels.width);
    picture.height = static_cast<std::uint16_t>(pixels.height);
    picture.data = pixels.values;
    return picture;
}

inline std::string AsText(const camsim::OutgoingPicture& picture) {
    return std::string(picture.data.begin(), picture.data.end());
}

inline camsim::CameraOptions Unpaced() {
    camsim::CameraOptions options;
    options.bitsPerSecond = 0;
    options.ackTimeout = std::chrono::milliseconds(500);
    return options;
}

// The program in a working folder of its own, talking to COM1 of the test's
// line; the test plays the camera.
class HeadlessProgramTest : public ::testing::Test {
protected:
    std::unique_ptr<testsupport::ChildProcess> Start(std::vector<std::string> options) {
        std::vector<std::string> args{"/usr/bin/env", "-C", work.Path(), kProgram};
        args.insert(args.end(), options.begin(), options.end());
        return std::make_unique<testsupport::ChildProcess>(args);
    }
    // The program listens once it tells its service manager that it is
    // ready: its worker has the line open and waits for a header.
    bool Listening(testsupport::ChildProcess& program) {
        return manager.WaitFor(program.Pid(), "READY=1");
    }

    testsupport::ServiceManagerSocket manager;
    testsupport::LinkedPort line{1};
    testsupport::TempDir work;
    testsupport::TempDir pictures;
};

} // namespace e2e
