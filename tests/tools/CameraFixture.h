#pragma once

#include "LineEnd.h"
#include "tools/camsim/Camera.h"
#include "tools/pty/PseudoTerminal.h"

#include <future>
#include <gtest/gtest.h>
#include <memory>

namespace camsimtest {

// A camera on the master of a pseudo-terminal, sending on a thread of its
// own, and the test's end of the line on the slave.
class CameraFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    static camsim::CameraOptions Unpaced();
    // Starts sending picture; the fixture keeps its own copy.
    void Start(const camsim::OutgoingPicture& picture, camsim::CameraOptions options = Unpaced());
    // Waits for the camera to finish (the test fails after a generous limit
    // instead of hanging).
    camsim::SendResult Finish();
    // Takes the synchronisation pair and the header and answers the header as
    // a receiver does, with the exclusive-or of its first 17 bytes.
    Bytes AckHeader();

    tools::PseudoTerminal pty;
    std::unique_ptr<LineEnd> receiver;
    std::unique_ptr<camsim::Camera> camera;
    camsim::OutgoingPicture picture;

private:
    std::future<camsim::SendResult> sending;
};

// A JPEG-like picture of size bytes of pattern data, with the header's
// defaults (640x480, blocks of 256, check bytes and acknowledgements).
camsim::OutgoingPicture PatternPicture(std::size_t size);

} // namespace camsimtest
