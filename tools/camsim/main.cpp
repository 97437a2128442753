// zelnor2-camsim: the camera end of the serial line, for tests, benchmarks
// and demonstrations without a camera.

#include "Camera.h"
#include "CommandLine.h"
#include "PictureFiles.h"
#include "RawDevice.h"
#include "ResultLine.h"
#include "WireFormat.h"
#include "platform/StopSignals.h"
#include "tools/pty/PseudoTerminal.h"

#include <csignal>
#include <iostream>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// The faults of the command line go into the pictures they are meant for; a
// silence without a position falls in the middle of its block.
camsim::OutgoingPicture WithFaults(camsim::OutgoingPicture picture,
                                   const camsim::Settings& settings, unsigned long number) {
    if (settings.faultPicture != 0 && settings.faultPicture != number) {
        return picture;
    }
    picture.faults = settings.faults;
    if (picture.faults.silence && settings.silenceInMiddle) {
        const std::vector<camsim::BlockBounds> blocks =
            camsim::PlanBlocks(static_cast<std::uint32_t>(picture.data.size()), picture.blockSize);
        const std::uint32_t block = picture.faults.silence->block;
        picture.faults.silence->afterBytes = block < blocks.size() ? blocks[block].length / 2 : 0;
    }
    return picture;
}

int Serve(const camsim::Settings& settings, const std::vector<camsim::OutgoingPicture>& pictures,
          const platform::StopSignals& stop) {
    std::unique_ptr<tools::PseudoTerminal> terminal;
    int fd = -1;
    std::string error;
    if (!settings.linkPath.empty()) {
        terminal = std::make_unique<tools::PseudoTerminal>();
        if (!terminal->Open(error) || !terminal->LinkAs(settings.linkPath, error)) {
            std::cerr << "zelnor2-camsim: " << error << '\n';
            return 1;
        }
        fd = terminal->Master();
        std::cout << "serving on " << settings.linkPath << " -> " << terminal->SlavePath()
                  << std::endl;
    } else {
        fd = camsim::OpenRawDevice(settings.devicePath, settings.speed, error);
        if (fd < 0) {
            std::cerr << "zelnor2-camsim: " << error << '\n';
            return 1;
        }
        std::cout << "serving on " << settings.devicePath << std::endl;
    }

    camsim::CameraOptions options;
    options.bitsPerSecond = settings.paced ? settings.speed : 0;
    options.ackTimeout = std::chrono::milliseconds(settings.ackTimeoutMs);
    options.maxSends = settings.maxSends;
    options.alsoStopWhen = [&stop] { return stop.Raised(); };
    camsim::Camera camera(fd, options);

    for (unsigned long number = 1; settings.count == 0 || number <= settings.count; ++number) {
        const std::size_t index = (number - 1) % pictures.size();
        const camsim::OutgoingPicture picture = WithFaults(pictures[index], settings, number);
        const camsim::SendResult result = camera.Send(picture);
        std::cout << camsim::DescribeResult(number, settings.files[index].path, picture, result)
                  << std::endl;
        if (camera.StopRequested()) {
            break;
        }
        const bool last = settings.count != 0 && number == settings.count;
        if (!last && !camera.Pause(std::chrono::milliseconds(settings.pauseMs))) {
            break;
        }
    }
    if (terminal == nullptr) {
        ::close(fd);
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    camsim::Settings settings;
    std::string error;
    if (!camsim::ParseCommandLine(args, settings, error)) {
        std::cerr << "zelnor2-camsim: " << error << "\n\n" << camsim::UsageText();
        return 64;
    }
    if (settings.help) {
        std::cout << camsim::UsageText();
        return 0;
    }
    std::vector<camsim::OutgoingPicture> pictures;
    for (const camsim::PictureFile& file : settings.files) {
        camsim::OutgoingPicture picture;
        std::string warning;
        if (!camsim::LoadPicture(file, settings, picture, error, warning)) {
            std::cerr << "zelnor2-camsim: " << error << '\n';
            return 1;
        }
        if (!warning.empty()) {
            std::cerr << "zelnor2-camsim: " << warning << '\n';
        }
        pictures.push_back(std::move(picture));
    }
    // Calls are not restarted: a waiting poll returns at once and the camera
    // sees the signal.
    const platform::StopSignals stop({.caught = {SIGINT, SIGTERM, SIGHUP}});
    return Serve(settings, pictures, stop);
}
