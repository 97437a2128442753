#include "TransferFixture.h"

#include "language/LanguageText.h"
#include "language/Scramble.h"

#include <thread>

namespace transfertest {

namespace {
std::string Entry(const std::string& key, const std::string& text) {
    return key + "=" + language::Scramble(text, language::ScrambleKey(key)) + "\n";
}
} // namespace

TestLanguage::TestLanguage() {
    const std::string path = dir / "Zelnor2.INI";
    testsupport::WriteFile(path, "[Main]\nCurrentLanguage=Test\n[Test]\n" +
                                     Entry("STRING_IDS_ERROR_OPEN_FILE", kOpenFileError) +
                                     Entry("STRING_IDS_DISCONNECTED", kDisconnected) +
                                     Entry("STRING_IDS_TEMP_JPG", "temp.jpg"));
    LanguageText::SetLanguageFileForTesting(path);
    LanguageText::LoadCurrentLanguage();
}

TestLanguage::~TestLanguage() {
    LanguageText::SetLanguageFileForTesting("");
}

std::uint32_t ScriptedPort::Write(const void* source, std::uint32_t length) {
    ++writes;
    if (beforeWrite) {
        beforeWrite(writes);
    }
    if (shortFromWrite != 0 && writes >= shortFromWrite && length > 1) {
        return SerialPort::Write(source, 1);
    }
    return SerialPort::Write(source, length);
}

bool ScriptedPort::WriteChar(std::uint8_t byte) {
    ++writes;
    if (beforeWrite) {
        beforeWrite(writes);
    }
    return SerialPort::WriteChar(byte);
}

camsim::CameraOptions Unpaced() {
    camsim::CameraOptions options;
    options.bitsPerSecond = 0;
    return options;
}

::testing::AssertionResult FileHolds(const std::string& path,
                                     const std::vector<std::uint8_t>& bytes) {
    if (!testsupport::FileExists(path)) {
        return ::testing::AssertionFailure() << path << " does not exist";
    }
    const std::string held = testsupport::ReadFile(path);
    const std::string expected(bytes.begin(), bytes.end());
    if (held == expected) {
        return ::testing::AssertionSuccess();
    }
    std::size_t at = 0;
    while (at < held.size() && at < expected.size() && held[at] == expected[at]) {
        ++at;
    }
    return ::testing::AssertionFailure() << path << " holds " << held.size() << " bytes, "
                                         << expected.size() << " expected; they part at " << at;
}

void TransferTest::SetUp() {
    ASSERT_TRUE(port.Open(1, 115200, "n,8,1")) << port.LastOpenError();
    port.ClearBuffer();
}

std::vector<camsim::SendResult>
TransferTest::WithCamera(const std::vector<camsim::OutgoingPicture>& pictures,
                         const std::function<void()>& receive, camsim::CameraOptions options) {
    camsim::Camera camera(line.Master(), options);
    std::vector<camsim::SendResult> results;
    std::thread cameraThread([&] {
        for (const auto& picture : pictures) {
            results.push_back(camera.Send(picture));
        }
    });
    receive();
    cameraThread.join();
    return results;
}

bool TransferTest::Transfer(const camsim::OutgoingPicture& picture, const std::string& target,
                            camsim::SendResult* sent, camsim::CameraOptions options) {
    const auto results = WithCamera(
        {picture}, [&] { result = Receive(target); }, options);
    if (sent != nullptr && !results.empty()) {
        *sent = results.front();
    }
    return result.Stored();
}

camsim::OutgoingPicture TransferTest::Jpeg(std::size_t size, std::uint16_t blockSize,
                                           std::uint8_t checkFlag, std::uint16_t ackFlag) {
    camsim::OutgoingPicture picture;
    picture.data = PatternBytes(size, static_cast<std::uint32_t>(size));
    picture.blockSize = blockSize;
    picture.checkFlag = checkFlag;
    picture.ackFlag = ackFlag;
    return picture;
}

} // namespace transfertest
