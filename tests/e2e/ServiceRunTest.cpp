// The headless program run the way a service runs it: outcomes told by the
// exit status, a device named by its path, a quiet journal.
#include "serial/LockFile.h"
#include "tests/e2e/HeadlessProgram.h"
#include "tests/e2e/OpenWatch.h"
#include "tests/support/WaitUntil.h"
#include "transfer/WorkerContext.h"

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <regex>
#include <sys/inotify.h>
#include <thread>
#include <unistd.h>

using namespace std::chrono_literals;
using namespace e2e;
using testsupport::ChildProcess;
using testsupport::FileExists;
using testsupport::ReadFile;

namespace {

// Whether every thread of the process has stopped: a stop signal reaches
// the threads one after another.
bool IsStopped(pid_t pid) {
    const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
    std::error_code error;
    int threads = 0;
    for (std::filesystem::directory_iterator task(tasks, error), end; !error && task != end;
         task.increment(error)) {
        std::ifstream stat(task->path() / "stat");
        const std::string text((std::istreambuf_iterator<char>(stat)),
                               std::istreambuf_iterator<char>());
        const auto name = text.rfind(')');
        if (name == std::string::npos || name + 2 >= text.size() || text[name + 2] != 'T') {
            return false;
        }
        ++threads;
    }
    return !error && threads > 0;
}

// Sends a picture until the camera saw it delivered: before the program has
// its port open, what the camera sends is lost and its header unanswered.
bool Deliver(camsim::Camera& camera, const camsim::OutgoingPicture& picture) {
    for (int attempt = 0; attempt < 40; ++attempt) {
        if (camera.Send(picture).outcome == camsim::Outcome::Completed) {
            return true;
        }
    }
    return false;
}

} // namespace

// Another program takes the device between the program's check of the port
// and its worker's own open (a terminal, a modem manager, the adapter pulled
// at that moment): the run must fail with status 2 naming the device and
// the holder, not end as if all went well.
TEST_F(HeadlessProgramTest, APortTakenAfterTheCheckEndsTheRunWithStatus2) {
    const std::string lockFile = line.LockFolder() + "/" + serial::LockFileName(line.SlavePath());
    const struct {
        std::vector<std::string> options;
        std::string named;
    } runs[] = {
        {{"--live", pictures / "now.jpg", "--device", line.SlavePath(), "--speed", "115200"},
         line.SlavePath() + ": the device is in use"},
        {{"--capture", pictures / "shot.jpg", "--port", "1", "--speed", "115200"},
         "COM1 (" + line.SlavePath() + "): the device is in use"},
    };
    for (const auto& run : runs) {
        SCOPED_TRACE(run.options.front());
        // The program is stopped while its check has the port open, and the
        // lock file is taken over then; a try in which the worker was quicker
        // than the stop is repeated.
        std::unique_ptr<ChildProcess> program;
        for (int attempt = 0; attempt < 20 && !program; ++attempt) {
            OpenWatch watch(line.SlavePath());
            ASSERT_TRUE(watch.Watching());
            auto candidate = Start(run.options);
            while (watch.Opens() == 0 && candidate->Wait(0ms) < 0) {
                watch.Take(10s);
            }
            candidate->Signal(SIGSTOP);
            if (!testsupport::WaitUntil([&] { return IsStopped(candidate->Pid()); }, 10s)) {
                continue; // it ended before it could be stopped
            }
            watch.Take(0ms);
            // Caught in the check, or after it before the worker took the
            // lock that comes before its open. Any lock file there may be
            // the worker's, whatever it holds.
            const bool inCheck = watch.Opens() == 1 && watch.Closes() == 0;
            const bool beforeWorker = watch.Opens() == 1 && !FileExists(lockFile);
            if (inCheck || beforeWorker) {
                program = std::move(candidate);
            }
        }
        ASSERT_TRUE(program) << "the program was never caught between check and worker";
        {
            std::ofstream lock(lockFile, std::ios::trunc);
            lock << std::to_string(::getpid()) << "\n";
        }
        program->Signal(SIGCONT);
        EXPECT_EQ(program->Wait(10s), 2) << program->Errors();
        EXPECT_NE(program->Errors().find(run.named), std::string::npos) << program->Errors();
        EXPECT_NE(program->Errors().find("PID " + std::to_string(::getpid())), std::string::npos)
            << program->Errors();
        std::remove(lockFile.c_str());
    }
}

// Each way a run can end, with its exit status and what standard error says.
TEST_F(HeadlessProgramTest, EveryEndOfARunHasItsStatusAndASummary) {
    // A folder that cannot take pictures, even for root: a file stands in
    // its way.
    const std::string blocked = work / "a-file";
    testsupport::WriteFile(blocked, "x");
    // A folder deep enough that the capture path fits a path and its
    // numbered names (eight digits more) do not.
    const std::size_t depth = WorkerContext::kPathSize - 10;
    std::string deep = pictures.Path();
    while (deep.size() < depth) {
        const std::size_t left = depth - deep.size();
        const std::size_t name = left > 201 ? (left - 201 < 2 ? 150 : 200) : left - 1;
        deep += "/" + std::string(name, 'd');
        std::filesystem::create_directory(deep);
    }
    const struct {
        const char* name;
        std::vector<std::string> options;
        int status;
        std::string says;
    } runs[] = {
        {"time up",
         {"--capture", pictures / "shot.jpg", "--port", "1", "--speed", "115200", "--seconds",
          "0.3"},
         0,
         "pictures: 0 good, 0 failed; 0 bytes in 0."},
        {"no such device",
         {"--capture", pictures / "shot.jpg", "--device", work / "gone", "--speed", "115200"},
         2,
         "cannot use the serial port: " + (work / "gone") + ": No such file or directory"},
        {"folder not writable",
         {"--capture", blocked + "/shot.jpg", "--port", "1", "--speed", "115200"},
         1,
         "cannot write pictures into " + blocked + "/: Not a directory"},
        {"picture path too long",
         {"--capture", deep + "/s.jpg", "--port", "1", "--speed", "115200"},
         1,
         "the picture path is too long"},
        {"bad command line",
         {"--capture", "x", "--port", "1", "--device", "y", "--speed", "1"},
         64,
         "give only one of --port and --device"},
    };
    for (const auto& run : runs) {
        SCOPED_TRACE(run.name);
        auto program = Start(run.options);
        EXPECT_EQ(program->Wait(10s), run.status) << program->Errors();
        EXPECT_NE(program->Errors().find(run.says), std::string::npos) << program->Errors();
    }
}

// A device named by its path, for a service that must find its camera
// wherever it was plugged in; --quiet leaves the journal the summary only.
TEST_F(HeadlessProgramTest, ADevicePathAndAQuietRunLeaveTheSummaryAlone) {
    const std::string link = work / "camera-by-id";
    std::filesystem::create_symlink(line.SlavePath(), link);
    auto program = Start({"--capture", pictures / "shot.jpg", "--device", link, "--speed", "115200",
                          "--count", "2", "--quiet"});
    camsim::Camera camera(line.Master(), Unpaced());
    const auto first = Picture(3000, 41);
    auto broken = Picture(2000, 42);
    broken.faults.cutShortAfter = 700;
    const auto second = Picture(5000, 43);
    ASSERT_TRUE(Deliver(camera, first)) << program->Errors();
    camera.Send(broken);
    camera.Send(second);
    ASSERT_EQ(program->Wait(20s), 0) << program->Errors();
    EXPECT_EQ(program->OutputLines(), (std::vector<std::string>{pictures / "shot00000000.jpg",
                                                                pictures / "shot00000002.jpg"}));
    EXPECT_EQ(ReadFile(pictures / "shot00000002.jpg"), AsText(second));
    // An unpaced camera on a pseudo-terminal may outrun the speed set.
    const std::regex summary("[^\n]*: pictures: 2 good, 1 failed; 8000 bytes in [0-9.]+ s; (line "
                             "efficiency [0-9.]+ %|faster than 115200 bit/s: [0-9]+ bytes/s)\n");
    EXPECT_TRUE(std::regex_match(program->Errors(), summary)) << program->Errors();
}
