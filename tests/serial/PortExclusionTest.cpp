#include "PortTestSupport.h"
#include "serial/DeviceHolder.h"
#include "serial/SerialPort.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/LinkedPort.h"
#include "tests/support/TempDir.h"

#include <atomic>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <string>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using testsupport::ChildProcess;
using testsupport::FileExists;
using testsupport::LinkedPort;
using testsupport::ReadFile;
using testsupport::WaitUntil;
using testsupport::WriteFile;

namespace {

// The lock file other serial programs expect for the line's device.
std::string LockFile(const LinkedPort& line) {
    const std::string prefix = "/dev/pts/";
    return line.LockFolder() + "/LCK..pts_" + line.SlavePath().substr(prefix.size());
}

std::string InUseBy(const std::string& program, pid_t pid) {
    return "in use by " + program + " (PID " + std::to_string(pid) + ")";
}

// A process id that no process has any more.
pid_t EndedProcess() {
    const pid_t child = ::fork();
    if (child == 0) {
        ::_exit(0);
    }
    ::waitpid(child, nullptr, 0);
    return child;
}

std::string BinaryPid(pid_t pid) {
    const std::int32_t value = pid;
    return std::string(reinterpret_cast<const char*>(&value), sizeof value);
}

} // namespace

TEST(PortExclusion, ProgramHoldingTheDeviceWithoutLockIsNamed) {
    LinkedPort line(1);
    ChildProcess cat({"/bin/cat", line.SlavePath()});
    ASSERT_TRUE(cat.Started());
    ASSERT_TRUE(
        WaitUntil([&] { return serial::FindDescriptorHolder(line.SlavePath()).has_value(); }));

    SerialPort port;
    EXPECT_FALSE(port.Open(1, 9600, "n,8,1"));
    EXPECT_NE(port.LastOpenError().find(InUseBy("cat", cat.Pid())), std::string::npos)
        << port.LastOpenError();
    EXPECT_FALSE(FileExists(LockFile(line))) << "a refused open keeps no lock file";

    cat.Signal(SIGTERM);
    ASSERT_GE(cat.Wait(std::chrono::seconds(10)), 0);
    EXPECT_TRUE(port.Open(1, 9600, "n,8,1")) << port.LastOpenError();
}

TEST(PortExclusion, LockFileOfALiveProgramIsHonouredInEachFormat) {
    LinkedPort line(1);
    ChildProcess sleeper({"/bin/sleep", "60"});
    ASSERT_TRUE(sleeper.Started());
    // Until its exec the child still bears the test program's name.
    ASSERT_TRUE(WaitUntil([&] { return serial::ProgramName(sleeper.Pid()) == "sleep"; }));
    const std::string pid = std::to_string(sleeper.Pid());
    for (const std::string& contents :
         {std::string(10 - pid.size(), ' ') + pid + "\n", pid, BinaryPid(sleeper.Pid())}) {
        SCOPED_TRACE(testing::PrintToString(contents));
        WriteFile(LockFile(line), contents);
        SerialPort port;
        EXPECT_FALSE(port.Open(1, 9600, "n,8,1"));
        EXPECT_NE(port.LastOpenError().find(InUseBy("sleep", sleeper.Pid())), std::string::npos)
            << port.LastOpenError();
        EXPECT_EQ(ReadFile(LockFile(line)), contents) << "another program's lock file stays";
    }
}

TEST(PortExclusion, LockFileCountsWhereTheFolderCannotBeWritten) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root to become a user without rights in the lock folder";
    }
    LinkedPort line(1);
    ASSERT_EQ(::chmod(line.PortsFolder().c_str(), 0755), 0);
    ChildProcess sleeper({"/bin/sleep", "60"});
    ASSERT_TRUE(WaitUntil([&] { return serial::ProgramName(sleeper.Pid()) == "sleep"; }));
    WriteFile(LockFile(line), std::to_string(sleeper.Pid()) + "\n");

    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        constexpr uid_t kNobody = 65534;
        SerialPort port;
        const bool refused =
            ::setresgid(kNobody, kNobody, kNobody) == 0 &&
            ::setresuid(kNobody, kNobody, kNobody) == 0 && !port.Open(1, 9600, "n,8,1") &&
            port.LastOpenError().find(InUseBy("sleep", sleeper.Pid())) != std::string::npos;
        ::_exit(refused ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
        << "a user who may not write lock files ignored another program's";
}

TEST(PortExclusion, OwnLockFileLastsWhileOpenAndReplacesAStaleOne) {
    LinkedPort line(1);
    WriteFile(LockFile(line), std::to_string(EndedProcess()) + "\n");
    char ours[16];
    std::snprintf(ours, sizeof ours, "%10d\n", static_cast<int>(::getpid()));

    SerialPort port;
    ASSERT_TRUE(port.Open(1, 9600, "n,8,1")) << port.LastOpenError();
    EXPECT_EQ(ReadFile(LockFile(line)), ours);
    port.Close();
    EXPECT_FALSE(FileExists(LockFile(line)));
}

TEST(PortExclusion, RefusedOpenLeavesTheTerminalShared) {
    LinkedPort line(1);
    const int other = ::open(line.SlavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(other, 0);
    ASSERT_EQ(::flock(other, LOCK_EX | LOCK_NB), 0);

    SerialPort port;
    EXPECT_FALSE(port.Open(1, 9600, "n,8,1"));
    int exclusive = -1;
    ASSERT_EQ(::ioctl(other, TIOCGEXCL, &exclusive), 0) << std::strerror(errno);
    EXPECT_EQ(exclusive, 0) << "a refused open left the terminal in exclusive mode";
    ::close(other);
}

TEST(PortExclusion, OwnLockFileNeverExistsWithoutItsProcessId) {
    LinkedPort line(1);
    const std::string lockFile = LockFile(line);
    char ours[16];
    std::snprintf(ours, sizeof ours, "%10d\n", static_cast<int>(::getpid()));

    // Another program looks at the lock file as fast as it can while this one
    // opens and closes the port: each time it finds the file, the file names
    // its owner.
    std::atomic<bool> opening{true};
    std::atomic<int> seen{0};
    std::atomic<int> wrong{0};
    std::string firstWrong; // the reader's until it is joined
    std::thread reader([&] {
        while (opening.load()) {
            const int file = ::open(lockFile.c_str(), O_RDONLY | O_CLOEXEC);
            if (file < 0) {
                continue;
            }
            char bytes[32];
            const auto length = ::read(file, bytes, sizeof bytes);
            ::close(file);
            ++seen;
            if (length != static_cast<ssize_t>(std::strlen(ours)) ||
                std::string(bytes, static_cast<std::size_t>(length)) != ours) {
                if (wrong++ == 0) {
                    firstWrong.assign(bytes,
                                      static_cast<std::size_t>(std::max<ssize_t>(length, 0)));
                }
            }
        }
    });
    for (int i = 0; i < 2000 && wrong.load() == 0; ++i) {
        SerialPort port;
        ASSERT_TRUE(port.Open(1, 9600, "n,8,1")) << port.LastOpenError();
    }
    opening = false;
    reader.join();
    EXPECT_GT(seen.load(), 0) << "the reader never saw the lock file";
    EXPECT_EQ(wrong.load(), 0) << "seen without our process id, first as '" << firstWrong << "'";
}
