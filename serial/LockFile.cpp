#include "LockFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

namespace serial {

namespace {

constexpr const char* kDevicePrefix = "/dev/";

bool IsFolder(const std::string& path) {
    struct stat entry {};
    return ::stat(path.c_str(), &entry) == 0 && S_ISDIR(entry.st_mode);
}

std::string LockPath(const std::string& device) {
    const auto folder = LockFolder();
    return folder.empty() ? std::string() : folder + "/" + LockFileName(device);
}

// A lock file of the text form: the owner's process number in decimal, with
// blanks and a line end around it.
bool ParsePidText(const std::string& text, pid_t& value) {
    const auto begin = text.find_first_not_of(" \t\r\n");
    const auto end = text.find_last_not_of(" \t\r\n");
    if (begin == std::string::npos) {
        return false;
    }
    const std::string digits = text.substr(begin, end - begin + 1);
    if (!std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }) ||
        digits.size() > 9) {
        return false;
    }
    value = static_cast<pid_t>(std::strtol(digits.c_str(), nullptr, 10));
    return true;
}

// Whether pid names a process that still runs (one of another user's too).
bool IsAlive(pid_t pid) {
    return ::kill(pid, 0) == 0 || errno != ESRCH;
}

// Creates the lock file whole: our process id goes into a file of an
// unpredictable name first, which is then linked to the lock's name, so the
// name never stands for a file without its owner, and link fails with
// EEXIST as an exclusive create would. The lock folder is writable by
// everyone, hence mkstemp (created exclusively, never through a link).
bool CreateLock(const std::string& folder, const std::string& path) {
    std::string temporary = folder + "/LTMP.XXXXXX";
    const int file = ::mkstemp(temporary.data());
    if (file < 0) {
        return false;
    }
    char text[16];
    const int length = std::snprintf(text, sizeof text, "%10d\n", static_cast<int>(::getpid()));
    const bool written = ::fchmod(file, 0644) == 0 &&
                         ::write(file, text, static_cast<std::size_t>(length)) == length;
    ::close(file);
    const bool linked = written && ::link(temporary.c_str(), path.c_str()) == 0;
    const int linkError = written ? errno : EIO;
    ::unlink(temporary.c_str());
    errno = linked ? 0 : linkError;
    return linked;
}

} // namespace

std::string LockFolder() {
    if (const char* chosen = std::getenv("ZELNOR2_LOCK_DIR"); chosen && *chosen) {
        return IsFolder(chosen) ? std::string(chosen) : std::string();
    }
    for (const char* folder : {"/run/lock", "/var/lock"}) {
        if (IsFolder(folder)) {
            return folder;
        }
    }
    return {};
}

std::string LockFileName(const std::string& device) {
    std::string name;
    if (device.rfind(kDevicePrefix, 0) == 0) {
        name = device.substr(std::strlen(kDevicePrefix));
        std::replace(name.begin(), name.end(), '/', '_');
    } else {
        name = device.substr(device.find_last_of('/') + 1);
    }
    return "LCK.." + name;
}

pid_t ReadLockOwner(const std::string& path) {
    const int file = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (file < 0) {
        return 0;
    }
    char bytes[64];
    const auto length = ::read(file, bytes, sizeof bytes);
    ::close(file);
    if (length <= 0) {
        return 0;
    }
    pid_t pid = 0;
    if (ParsePidText(std::string(bytes, static_cast<std::size_t>(length)), pid)) {
        return pid > 0 ? pid : 0;
    }
    if (length == sizeof(std::int32_t)) {
        std::int32_t binary = 0;
        std::memcpy(&binary, bytes, sizeof binary);
        return binary > 0 ? static_cast<pid_t>(binary) : 0;
    }
    return 0;
}

std::optional<DeviceHolder> FindLockHolder(const std::string& device) {
    const auto path = LockPath(device);
    const pid_t owner = path.empty() ? 0 : ReadLockOwner(path);
    if (owner == 0 || owner == ::getpid() || !IsAlive(owner)) {
        return std::nullopt;
    }
    return DeviceHolder{owner, ProgramName(owner)};
}

LockOutcome TakeLock(const std::string& device, std::optional<DeviceHolder>& holder) {
    holder.reset();
    const std::string folder = LockFolder();
    if (folder.empty()) {
        return LockOutcome::NotKept;
    }
    const std::string path = folder + "/" + LockFileName(device);
    if (::access(folder.c_str(), W_OK | X_OK) != 0) {
        // Where we may not take part, another program's file still counts.
        holder = FindLockHolder(device);
        return holder ? LockOutcome::Held : LockOutcome::NotKept;
    }
    // Two rounds: a stale file removed in the first lets the second create.
    for (int round = 0; round < 2; ++round) {
        if (CreateLock(folder, path)) {
            return LockOutcome::Taken;
        }
        if (errno != EEXIST) {
            return LockOutcome::NotKept;
        }
        const pid_t owner = ReadLockOwner(path);
        if (owner == ::getpid()) {
            return LockOutcome::AlreadyOurs;
        }
        if (owner != 0 && IsAlive(owner)) {
            holder = DeviceHolder{owner, ProgramName(owner)};
            return LockOutcome::Held;
        }
        if (owner == 0) {
            // Unreadable contents belong to a convention we do not know;
            // such a file is neither honoured nor removed.
            return LockOutcome::NotKept;
        }
        ::unlink(path.c_str());
    }
    return LockOutcome::NotKept;
}

void ReleaseLock(const std::string& device) {
    const auto path = LockPath(device);
    if (!path.empty() && ReadLockOwner(path) == ::getpid()) {
        ::unlink(path.c_str());
    }
}

} // namespace serial
