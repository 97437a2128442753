#include "PortMapping.h"

#include <cerrno>
#include <filesystem>
#include <unistd.h>

#include "PortNames.h"
#include "platform/File.h"

namespace serial {

int MapPort(int n, const std::string& device) {
    const auto folder = PortsFolder();
    if (folder.empty()) {
        return ENOENT;
    }
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) {
        return error.value();
    }
    const std::string entry = folder + "/COM" + std::to_string(n);
    const std::string temporary = entry + ".new." + std::to_string(::getpid());
    ::unlink(temporary.c_str());
    if (::symlink(device.c_str(), temporary.c_str()) != 0) {
        return errno;
    }
    if (!platform::ReplaceFile(temporary, entry)) {
        const int failure = errno;
        ::unlink(temporary.c_str());
        return failure;
    }
    return 0;
}

} // namespace serial
