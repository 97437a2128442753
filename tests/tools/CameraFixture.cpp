#include "CameraFixture.h"

namespace camsimtest {

void CameraFixture::SetUp() {
    std::string error;
    ASSERT_TRUE(pty.Open(error)) << error;
    receiver = std::make_unique<LineEnd>(pty.SlavePath());
    ASSERT_TRUE(receiver->IsOpen());
}

void CameraFixture::TearDown() {
    if (camera && sending.valid()) {
        camera->RequestStop();
        sending.wait();
    }
}

camsim::CameraOptions CameraFixture::Unpaced() {
    camsim::CameraOptions options;
    options.bitsPerSecond = 0;
    return options;
}

void CameraFixture::Start(const camsim::OutgoingPicture& outgoing, camsim::CameraOptions options) {
    if (sending.valid()) {
        // The previous picture is still going: end it before its camera goes.
        camera->RequestStop();
        sending.wait();
    }
    picture = outgoing;
    camera = std::make_unique<camsim::Camera>(pty.Master(), options);
    sending = std::async(std::launch::async, [this] { return camera->Send(picture); });
}

camsim::SendResult CameraFixture::Finish() {
    if (sending.wait_for(30s) != std::future_status::ready) {
        ADD_FAILURE() << "the camera did not finish";
        camera->RequestStop();
    }
    return sending.get();
}

Bytes CameraFixture::AckHeader() {
    const Bytes opening = receiver->Read(21);
    EXPECT_EQ(opening.size(), 21u);
    receiver->Write(Bytes{XorOf(opening, 2, 17)});
    return opening;
}

camsim::OutgoingPicture PatternPicture(std::size_t size) {
    camsim::OutgoingPicture outgoing;
    outgoing.data = Pattern(size);
    return outgoing;
}

} // namespace camsimtest
