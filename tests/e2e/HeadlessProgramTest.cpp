#include "tests/e2e/HeadlessProgram.h"
#include "serial/DeviceHolder.h"
#include "serial/SerialPort.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/WaitUntil.h"

#include <chrono>
#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <thread>
#include <unistd.h>

using namespace std::chrono_literals;
using testsupport::ChildProcess;
using testsupport::FileExists;
using namespace e2e;
using testsupport::ReadFile;

TEST_F(HeadlessProgramTest, BadCommandLinesGetTheUsageAndStatus64) {
    for (const auto& options :
         {std::vector<std::string>{"--capture", "x", "--port", "1"},
          std::vector<std::string>{"--live", "x", "--port", "12", "--speed", "9600"},
          std::vector<std::string>{"--capture", "x", "--port", "1", "--speed", "9600",
                                   "--frobnicate"},
          std::vector<std::string>{"--map-port", "0", "/dev/ttyUSB0"},
          std::vector<std::string>{"--map-port", "3"}}) {
        SCOPED_TRACE(testing::PrintToString(options));
        auto program = Start(options);
        EXPECT_EQ(program->Wait(10s), 64);
        EXPECT_NE(program->Errors().find("usage:"), std::string::npos) << program->Errors();
    }
    auto help = Start({"--help"});
    EXPECT_EQ(help->Wait(10s), 0);
    EXPECT_NE(help->Output().find("--capture PATH"), std::string::npos);
}

TEST_F(HeadlessProgramTest, PortThatDoesNotOpenIsNamedWithTheReason) {
    line.LinkAlso(2, work / "unplugged-adapter");
    auto program = Start({"--capture", pictures / "shot.jpg", "--port", "2", "--speed", "115200"});
    EXPECT_EQ(program->Wait(10s), 2);
    EXPECT_NE(program->Errors().find("COM2"), std::string::npos) << program->Errors();
    EXPECT_NE(program->Errors().find("unplugged-adapter"), std::string::npos) << program->Errors();
}

TEST_F(HeadlessProgramTest, CaptureStopsAfterCountPicturesWithTheFilesOnDisk) {
    auto program = Start({"--capture", pictures / "shot.jpg", "--port", "1", "--speed", "115200",
                          "--count", "3", "--delete-corrupted"});
    ASSERT_TRUE(Listening(*program)) << program->Errors();
    camsim::Camera camera(line.Master(), Unpaced());
    const auto first = Picture(5000, 1);
    auto broken = Picture(3000, 2);
    broken.faults.cutShortAfter = 1000;
    const auto second = Picture(7000, 3);
    const auto third = Picture(100, 4);
    for (const camsim::OutgoingPicture* picture :
         std::initializer_list<const camsim::OutgoingPicture*>{&first, &broken, &second, &third}) {
        camera.Send(*picture);
    }
    ASSERT_EQ(program->Wait(20s), 0) << program->Errors();
    EXPECT_EQ(program->OutputLines(), (std::vector<std::string>{pictures / "shot00000000.jpg",
                                                                pictures / "shot00000002.jpg",
                                                                pictures / "shot00000003.jpg"}));
    EXPECT_EQ(ReadFile(pictures / "shot00000000.jpg"), AsText(first));
    EXPECT_FALSE(FileExists(pictures / "shot00000001.jpg"));
    EXPECT_EQ(ReadFile(pictures / "shot00000002.jpg"), AsText(second));
    EXPECT_EQ(ReadFile(pictures / "shot00000003.jpg"), AsText(third));
    EXPECT_EQ(ReadFile(work / "temp.jpg"), AsText(third))
        << "the display file, as the dialog sets it";
    EXPECT_TRUE(std::filesystem::equivalent(work / "temp.jpg", pictures / "shot00000003.jpg"))
        << "a second name of the newest picture, not a copy of its bytes";
}

TEST_F(HeadlessProgramTest, SigtermInTheMiddleOfATransferEndsPromptlyAndFreesThePort) {
    auto program = Start({"--capture", pictures / "shot.jpg", "--port", "1", "--speed", "115200"});
    ASSERT_TRUE(Listening(*program)) << program->Errors();
    camsim::Camera camera(line.Master(), Unpaced());
    auto slow = Picture(20000, 5);
    slow.faults.silence = camsim::Silence{3, 50, 250};
    std::thread cameraThread([&] { camera.Send(slow); });
    // The file is created once the header is taken: the transfer is under way.
    ASSERT_TRUE(
        testsupport::WaitUntil([&] { return FileExists(pictures / "shot00000000.jpg"); }, 20s));
    const auto signalled = std::chrono::steady_clock::now();
    program->Signal(SIGTERM);
    const int status = program->Wait(10s);
    const auto took = std::chrono::steady_clock::now() - signalled;
    camera.RequestStop();
    cameraThread.join();
    EXPECT_EQ(status, 0) << program->Errors();
    // Generous: the promise is a second, and machines here are shared.
    EXPECT_LT(took, 5s);
    std::printf("SIGTERM to exit: %.0f ms\n",
                std::chrono::duration<double, std::milli>(took).count());
    EXPECT_EQ(program->Output(), "");
    EXPECT_FALSE(FileExists(pictures / "shot00000000.jpg"));
    SerialPort port;
    EXPECT_TRUE(port.Open(1, 115200, "n,8,1")) << "the port is free again";
}

TEST_F(HeadlessProgramTest, LiveKeepsTheNewestGoodPictureInTheUsersFile) {
    const std::string kept = pictures / "now.jpg";
    auto program = Start({"--live", kept, "--port", "1", "--speed", "115200", "--count", "2"});
    ASSERT_TRUE(Listening(*program)) << program->Errors();
    camsim::Camera camera(line.Master(), Unpaced());
    const auto first = Picture(4000, 6);
    auto broken = Picture(4000, 7);
    broken.faults.cutShortAfter = 2000;
    const auto second = Picture(6000, 8);
    camera.Send(first);
    ASSERT_TRUE(program->WaitForOutput(kept, 10s));
    camera.Send(broken);
    // A failed transfer leaves the kept picture as it was.
    ASSERT_TRUE(program->WaitForErrors("a picture transfer failed (1 so far)", 10s))
        << program->Errors();
    EXPECT_EQ(ReadFile(kept), AsText(first));
    camera.Send(second);
    ASSERT_EQ(program->Wait(20s), 0) << program->Errors();
    EXPECT_EQ(program->OutputLines(), (std::vector<std::string>{kept, kept}));
    EXPECT_EQ(ReadFile(kept), AsText(second));
    std::vector<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(pictures.Path())) {
        left.push_back(entry.path().filename());
    }
    EXPECT_EQ(left, std::vector<std::string>{"now.jpg"}) << "nothing else is left in the folder";
}

TEST_F(HeadlessProgramTest, SecondsLimitEndsAQuietRun) {
    auto program = Start(
        {"--capture", pictures / "shot.jpg", "--port", "1", "--speed", "9600", "--seconds", "0.3"});
    EXPECT_EQ(program->Wait(20s), 0) << program->Errors();
    EXPECT_EQ(program->Output(), "");
}

// A camera behind a USB port writes far faster than any line speed: every
// picture of an unpaced stream is stored whole and --count ends the run.
TEST_F(HeadlessProgramTest, UnpacedStreamIsStoredWholeAndCounted) {
    constexpr int kPictures = 20;
    auto program = Start({"--capture", pictures / "shot.jpg", "--port", "1", "--speed", "115200",
                          "--count", std::to_string(kPictures)});
    ASSERT_TRUE(Listening(*program)) << program->Errors();
    camsim::Camera camera(line.Master(), Unpaced());
    std::vector<camsim::OutgoingPicture> sent;
    for (int i = 0; i < kPictures; ++i) {
        auto picture = StreamedPicture(118 * 1024, 100 + i);
        camera.Send(picture);
        sent.push_back(std::move(picture));
    }
    ASSERT_EQ(program->Wait(30s), 0) << program->Errors();
    EXPECT_EQ(program->OutputLines().size(), std::size_t{kPictures});
    for (int i = 0; i < kPictures; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "shot%08d.jpg", i);
        EXPECT_EQ(ReadFile(pictures / name), AsText(sent[i])) << name;
    }
}

// The adapter is pulled between two pictures and comes back under another
// device: the run says so on standard error and goes on, --count counting
// across the gap; with --no-reconnect the run ends with status 2 instead.
TEST_F(HeadlessProgramTest, ALostLineIsReportedAndTheRunGoesOnUnlessAskedNotTo) {
    auto program = Start(
        {"--capture", pictures / "shot.jpg", "--port", "1", "--speed", "115200", "--count", "2"});
    ASSERT_TRUE(Listening(*program)) << program->Errors();
    const auto first = Picture(3000, 21);
    camsim::Camera(line.Master(), Unpaced()).Send(first);
    ASSERT_TRUE(program->WaitForOutput(pictures / "shot00000000.jpg", 10s));
    const std::string pulled = line.SlavePath();
    line.Unplug();
    ASSERT_TRUE(program->WaitForErrors("the line is lost: COM1 (" + pulled + "): ", 10s))
        << program->Errors();
    line.PlugBack();
    // Told once the port is open again with an empty buffer.
    ASSERT_TRUE(program->WaitForErrors("the line is back: COM1 (" + line.SlavePath() + ")", 10s))
        << program->Errors();
    const auto second = Picture(4000, 22);
    camsim::Camera(line.Master(), Unpaced()).Send(second);
    ASSERT_EQ(program->Wait(20s), 0) << program->Errors();
    // The wait that the loss ended was an attempt of its own: number 1.
    EXPECT_EQ(program->OutputLines(), (std::vector<std::string>{pictures / "shot00000000.jpg",
                                                                pictures / "shot00000002.jpg"}));
    EXPECT_EQ(ReadFile(pictures / "shot00000002.jpg"), AsText(second));

    auto strict = Start(
        {"--live", pictures / "now.jpg", "--port", "1", "--speed", "115200", "--no-reconnect"});
    ASSERT_TRUE(Listening(*strict)) << strict->Errors();
    line.Unplug();
    EXPECT_EQ(strict->Wait(10s), 2) << strict->Errors();
    EXPECT_NE(strict->Errors().find("the line is lost: COM1"), std::string::npos);
}

namespace {

// The --list-ports row of a COM name.
std::string PortRow(const ChildProcess& program, const std::string& name) {
    for (const auto& row : program.OutputLines()) {
        if (row.rfind(name + " ", 0) == 0) {
            return row;
        }
    }
    return {};
}

bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

} // namespace

TEST_F(HeadlessProgramTest, MappedPortIsListedFreeThenBusyWithItsHolder) {
    auto map = Start({"--map-port", "3", line.SlavePath()});
    ASSERT_EQ(map->Wait(10s), 0) << map->Errors();
    EXPECT_EQ(std::filesystem::read_symlink(line.PortsFolder() + "/COM3"), line.SlavePath());

    auto list = Start({"--list-ports"});
    ASSERT_EQ(list->Wait(10s), 0) << list->Errors();
    const auto free = PortRow(*list, "COM3");
    for (const std::string& part :
         {line.SlavePath(), std::string(" yes "), std::string(" rw "), std::string(" free")}) {
        EXPECT_TRUE(Has(free, part)) << free << " lacks " << part;
    }
    EXPECT_TRUE(Has(PortRow(*list, "COM5"), "(none) /dev/ttyS4")) << list->Output();

    ChildProcess cat({"/bin/cat", line.SlavePath()});
    ASSERT_TRUE(testsupport::WaitUntil(
        [&] { return serial::FindDescriptorHolder(line.SlavePath()).has_value(); }));
    auto busy = Start({"--list-ports"});
    ASSERT_EQ(busy->Wait(10s), 0) << busy->Errors();
    EXPECT_TRUE(Has(PortRow(*busy, "COM3"), "busy: cat (PID " + std::to_string(cat.Pid()) + ")"))
        << busy->Output();
}

TEST_F(HeadlessProgramTest, MappingAnAbsentDeviceWarnsAndAnUnwritableFolderFails) {
    auto absent = Start({"--map-port", "4", work / "unplugged-adapter"});
    EXPECT_EQ(absent->Wait(10s), 0) << absent->Errors();
    EXPECT_TRUE(Has(absent->Errors(), "warning")) << absent->Errors();
    EXPECT_EQ(std::filesystem::read_symlink(line.PortsFolder() + "/COM4"),
              work / "unplugged-adapter");

    testsupport::WriteFile(work / "not-a-folder", "");
    ChildProcess refused({"/usr/bin/env", "ZELNOR2_PORTS=" + work / "not-a-folder" + "/ports",
                          kProgram, "--map-port", "4", line.SlavePath()});
    EXPECT_EQ(refused.Wait(10s), 1);
    EXPECT_TRUE(Has(refused.Errors(), "COM4")) << refused.Errors();
}

// A service: a user without rights to its current folder (/), as a unit with
// WorkingDirectory=/ or cron runs it. Every good picture is announced and
// counted although the display file cannot go into the current folder (it
// goes to the cache folder instead).
TEST_F(HeadlessProgramTest, AsNobodyInTheRootFolderEveryPictureCounts) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root to run the program as nobody";
    }
    // The program as an installation has it, in a folder everybody may
    // enter: the build's own folder may lie in a home that others cannot.
    testsupport::TempDir installed;
    const std::filesystem::path built(kProgram);
    const std::string copy = installed / built.filename().string();
    for (const auto& file : {built, std::filesystem::path(built).replace_extension(".INI")}) {
        std::filesystem::copy_file(file, installed / file.filename().string());
    }
    using std::filesystem::perms;
    std::filesystem::permissions(installed.Path(), perms::owner_all | perms::group_read |
                                                       perms::group_exec | perms::others_read |
                                                       perms::others_exec);
    testsupport::TempDir cache;
    for (const std::string& folder :
         {pictures.Path(), cache.Path(), line.PortsFolder(), line.LockFolder()}) {
        std::filesystem::permissions(folder, std::filesystem::perms::all);
    }
    std::filesystem::permissions(line.SlavePath(), std::filesystem::perms::owner_read |
                                                       std::filesystem::perms::owner_write |
                                                       std::filesystem::perms::others_read |
                                                       std::filesystem::perms::others_write);
    ChildProcess program({"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups",
                          "/usr/bin/env", "-C", "/", "XDG_CACHE_HOME=" + cache.Path(), copy,
                          "--capture", pictures / "shot.jpg", "--port", "1", "--speed", "115200",
                          "--count", "2"});
    ASSERT_TRUE(Listening(program)) << program.Errors();
    camsim::Camera camera(line.Master(), Unpaced());
    const auto first = Picture(3000, 31);
    const auto second = Picture(5000, 32);
    camera.Send(first);
    camera.Send(second);
    ASSERT_EQ(program.Wait(20s), 0) << program.Errors();
    EXPECT_EQ(program.OutputLines(), (std::vector<std::string>{pictures / "shot00000000.jpg",
                                                               pictures / "shot00000001.jpg"}));
    EXPECT_EQ(ReadFile(pictures / "shot00000001.jpg"), AsText(second));
    EXPECT_EQ(ReadFile(cache / "Zelnor/temp.jpg"), AsText(second)) << "the display file";
}
