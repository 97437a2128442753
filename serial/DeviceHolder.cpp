#include "DeviceHolder.h"

#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include "LockFile.h"

namespace serial {

namespace {

// Pseudo-terminal slaves have these majors, and the master side is the
// multiplexer /dev/ptmx (5, 2) or a devpts instance's own ptmx (also 5, 2).
constexpr unsigned kFirstSlaveMajor = 136;
constexpr unsigned kLastSlaveMajor = 143;
constexpr unsigned kMultiplexerMajor = 5;
constexpr unsigned kMultiplexerMinor = 2;

constexpr int kNoTerminal = -1;

// The index of a pseudo-terminal slave (5 for /dev/pts/5), or kNoTerminal.
int SlaveIndex(dev_t device) {
    const unsigned majorNumber = ::major(device);
    if (majorNumber < kFirstSlaveMajor || majorNumber > kLastSlaveMajor) {
        return kNoTerminal;
    }
    return static_cast<int>((majorNumber - kFirstSlaveMajor) * 256 + ::minor(device));
}

// The pseudo-terminal whose master the descriptor is, from the "tty-index"
// line the kernel puts in its fdinfo; kNoTerminal for anything else.
int MasterIndex(const std::string& processFolder, const char* descriptor) {
    std::ifstream info(processFolder + "/fdinfo/" + descriptor);
    std::string key;
    while (info >> key) {
        if (key == "tty-index:") {
            int index = kNoTerminal;
            info >> index;
            return index;
        }
    }
    return kNoTerminal;
}

bool IsMultiplexer(const struct stat& target) {
    return S_ISCHR(target.st_mode) && ::major(target.st_rdev) == kMultiplexerMajor &&
           ::minor(target.st_rdev) == kMultiplexerMinor;
}

// Whether the process keeps device open other than as its own line's far end.
bool UsesDevice(const std::string& processFolder, dev_t device) {
    DIR* descriptors = ::opendir((processFolder + "/fd").c_str());
    if (descriptors == nullptr) {
        return false; // another user's process, or gone
    }
    const int slaveIndex = SlaveIndex(device);
    bool holdsDevice = false;
    bool holdsMaster = false;
    while (const dirent* entry = ::readdir(descriptors)) {
        struct stat target {};
        if (entry->d_name[0] == '.' ||
            ::stat((processFolder + "/fd/" + entry->d_name).c_str(), &target) != 0) {
            continue;
        }
        if (S_ISCHR(target.st_mode) && target.st_rdev == device) {
            holdsDevice = true;
        } else if (slaveIndex != kNoTerminal && IsMultiplexer(target) &&
                   MasterIndex(processFolder, entry->d_name) == slaveIndex) {
            holdsMaster = true;
        }
    }
    ::closedir(descriptors);
    return holdsDevice && !holdsMaster;
}

bool IsProcessNumber(const char* name) {
    for (const char* c = name; *c != '\0'; ++c) {
        if (*c < '0' || *c > '9') {
            return false;
        }
    }
    return *name != '\0';
}

} // namespace

std::string ProgramName(pid_t pid) {
    std::ifstream comm("/proc/" + std::to_string(pid) + "/comm");
    std::string name;
    std::getline(comm, name);
    return name;
}

std::optional<DeviceHolder> FindDescriptorHolder(const std::string& device) {
    struct stat wanted {};
    if (::stat(device.c_str(), &wanted) != 0 || !S_ISCHR(wanted.st_mode)) {
        return std::nullopt;
    }
    DIR* processes = ::opendir("/proc");
    if (processes == nullptr) {
        return std::nullopt;
    }
    const pid_t self = ::getpid();
    std::optional<DeviceHolder> holder;
    while (const dirent* entry = ::readdir(processes)) {
        if (!IsProcessNumber(entry->d_name)) {
            continue;
        }
        const auto pid = static_cast<pid_t>(std::atoi(entry->d_name));
        if (pid != self && UsesDevice(std::string("/proc/") + entry->d_name, wanted.st_rdev)) {
            holder = DeviceHolder{pid, ProgramName(pid)};
            break;
        }
    }
    ::closedir(processes);
    return holder;
}

std::optional<DeviceHolder> FindDeviceHolder(const std::string& device) {
    if (auto holder = FindLockHolder(device)) {
        return holder;
    }
    return FindDescriptorHolder(device);
}

} // namespace serial
