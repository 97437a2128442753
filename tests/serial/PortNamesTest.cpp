#include "serial/PortNames.h"
#include "serial/DeviceAccess.h"
#include "tests/support/ScopedEnvironment.h"
#include "tests/support/TempDir.h"

#include <cerrno>
#include <cstring>
#include <gtest/gtest.h>
#include <unistd.h>

using testsupport::ScopedEnvironment;
using testsupport::TempDir;

TEST(PortNames, FolderComesFromTheVariableThenTheConfigFolderThenHome) {
    ScopedEnvironment home("HOME", "/home/someone");
    {
        ScopedEnvironment ports("ZELNOR2_PORTS", "/tmp/my-ports");
        ScopedEnvironment config("XDG_CONFIG_HOME", "/elsewhere/config");
        EXPECT_EQ(serial::PortsFolder(), "/tmp/my-ports");
    }
    {
        ScopedEnvironment ports("ZELNOR2_PORTS", std::nullopt);
        ScopedEnvironment config("XDG_CONFIG_HOME", "/elsewhere/config");
        EXPECT_EQ(serial::PortsFolder(), "/elsewhere/config/Zelnor/ports");
    }
    {
        ScopedEnvironment ports("ZELNOR2_PORTS", "");
        ScopedEnvironment config("XDG_CONFIG_HOME", "");
        EXPECT_EQ(serial::PortsFolder(), "/home/someone/.config/Zelnor/ports");
    }
}

TEST(PortNames, EntryOfTheFolderLeadsToTheDevice) {
    TempDir folder;
    ScopedEnvironment ports("ZELNOR2_PORTS", folder.Path());
    testsupport::WriteFile(folder / "device", "");
    ASSERT_EQ(::symlink((folder / "device").c_str(), (folder / "COM3").c_str()), 0);
    ASSERT_EQ(::symlink("/nonexistent/ttyUSB7", (folder / "COM4").c_str()), 0);

    const auto linked = serial::ResolvePort(3);
    EXPECT_EQ(linked.name, "COM3");
    EXPECT_EQ(linked.path, folder / "COM3");
    char real[4096] = {};
    ASSERT_NE(::realpath((folder / "device").c_str(), real), nullptr);
    EXPECT_EQ(linked.device, real);

    // A link to an unplugged adapter is still the port's device: opening it
    // must fail and name it, not quietly fall back to a built-in port.
    const auto dangling = serial::ResolvePort(4);
    EXPECT_EQ(dangling.path, folder / "COM4");
    EXPECT_EQ(dangling.device, "/nonexistent/ttyUSB7");

    const auto builtIn = serial::ResolvePort(2);
    EXPECT_EQ(builtIn.name, "COM2");
    EXPECT_EQ(builtIn.path, "/dev/ttyS1");
}

TEST(PortNames, OpenFailuresAreExplained) {
    const serial::PortDevice port{"COM1", "/x/COM1", "/dev/ttyUSB0"};

    const auto denied = serial::DescribeOpenFailure(port, EACCES);
    EXPECT_NE(denied.find("COM1"), std::string::npos) << denied;
    EXPECT_NE(denied.find("/dev/ttyUSB0"), std::string::npos) << denied;
    EXPECT_NE(denied.find("dialout"), std::string::npos) << denied;

    for (const int busy : {EBUSY, EWOULDBLOCK}) {
        const auto text = serial::DescribeOpenFailure(port, busy);
        EXPECT_NE(text.find("in use"), std::string::npos) << text;
    }
    const auto missing = serial::DescribeOpenFailure(port, ENOENT);
    EXPECT_NE(missing.find(std::strerror(ENOENT)), std::string::npos) << missing;
    EXPECT_EQ(missing.find("dialout"), std::string::npos) << missing;
}
