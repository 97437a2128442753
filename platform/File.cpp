#include "File.h"

#include "PathParts.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace platform {

File::~File() {
    Close();
}

void File::Fail(int number) {
    if (!failed) {
        error = number;
    }
    failed = true;
}

bool File::Open(const std::string& path, int flags) {
    Close();
    failed = false;
    // The mode is used only where flags create the file.
    descriptor = ::open(path.c_str(), flags | O_CLOEXEC, 0666);
    error = descriptor < 0 ? errno : 0;
    return descriptor >= 0;
}

bool File::Create(const std::string& path) {
    return Open(path, O_WRONLY | O_CREAT | O_TRUNC);
}

bool File::CreateNew(const std::string& path) {
    return Open(path, O_WRONLY | O_CREAT | O_EXCL);
}

bool File::OpenForReading(const std::string& path) {
    return Open(path, O_RDONLY);
}

bool File::Write(const void* data, std::size_t length) {
    if (descriptor < 0 || (data == nullptr && length > 0)) {
        Fail(EBADF);
        return false;
    }
    const char* bytes = static_cast<const char*>(data);
    while (length > 0) {
        const ssize_t written = ::write(descriptor, bytes, length);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            // A write that takes nothing at all leaves errno alone: the
            // device took no more, as a full one would.
            Fail(written < 0 ? errno : ENOSPC);
            return false;
        }
        bytes += written;
        length -= static_cast<std::size_t>(written);
    }
    return true;
}

std::size_t File::Read(void* data, std::size_t length) {
    if (descriptor < 0) {
        Fail(EBADF);
        return 0;
    }
    char* bytes = static_cast<char*>(data);
    std::size_t total = 0;
    while (total < length) {
        const ssize_t got = ::read(descriptor, bytes + total, length - total);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            Fail(errno);
            break;
        }
        if (got == 0) {
            break;
        }
        total += static_cast<std::size_t>(got);
    }
    return total;
}

std::optional<std::uint64_t> File::RemainingLength() const {
    struct stat status {};
    if (descriptor < 0 || ::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
        return std::nullopt;
    }
    const off_t position = ::lseek(descriptor, 0, SEEK_CUR);
    if (position < 0) {
        return std::nullopt;
    }
    return status.st_size > position ? static_cast<std::uint64_t>(status.st_size - position) : 0;
}

bool File::Close() {
    if (descriptor < 0) {
        return !failed;
    }
    const int result = ::close(descriptor);
    descriptor = -1;
    if (result != 0 && errno != EINTR) {
        Fail(errno);
    }
    return !failed;
}

bool DeleteFile(const std::string& path) {
    return ::unlink(path.c_str()) == 0;
}

bool ReplaceFile(const std::string& source, const std::string& target) {
    return std::rename(source.c_str(), target.c_str()) == 0;
}

std::string CreateTemporaryBeside(const std::string& path) {
    static std::atomic<unsigned> sequence{0};
    const PathParts parts = SplitPath(path);
    const std::string stem = parts.drive + parts.directory + "." + parts.name + parts.extension;
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        // mkstemp would give the file mode 0600; the pictures should get the
        // same mode as any file the user creates, so the name is made here.
        char suffix[32];
        std::snprintf(suffix, sizeof suffix, ".%d.%u.%08x", static_cast<int>(::getpid()),
                      sequence.fetch_add(1), random());
        const std::string candidate = stem + suffix;
        const int descriptor =
            ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (descriptor >= 0) {
            ::close(descriptor);
            return candidate;
        }
        if (errno != EEXIST) {
            break;
        }
    }
    return {};
}

bool WriteFileReplacing(const std::string& target, std::span<const std::uint8_t> bytes) {
    const std::string temporary = CreateTemporaryBeside(target);
    if (temporary.empty()) {
        return false;
    }
    File out;
    bool good = out.Create(temporary) && out.Write(bytes.data(), bytes.size());
    good = out.Close() && good;
    if (!good || !ReplaceFile(temporary, target)) {
        const int error = errno;
        DeleteFile(temporary);
        errno = error;
        return false;
    }
    return true;
}

bool LinkReplacing(const std::string& source, const std::string& target) {
    // The unique name is taken by creating it; the link needs it free again.
    const std::string temporary = CreateTemporaryBeside(target);
    if (temporary.empty() || !DeleteFile(temporary)) {
        return false;
    }
    if (::link(source.c_str(), temporary.c_str()) != 0) {
        return false;
    }
    if (!ReplaceFile(temporary, target)) {
        const int error = errno;
        DeleteFile(temporary);
        errno = error;
        return false;
    }
    return true;
}

} // namespace platform
