#pragma once

#include "platform/NoCopy.h"

#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

namespace fuzzsupport {

// A folder of this fuzzing process under the system's temporary folder, made
// on first use and removed when the process ends normally. A fuzzer that
// forks workers gets one per process, so that runs never see each other's
// files.
class ProcessTempDir : private platform::NoCopy {
public:
    static const ProcessTempDir& Get() {
        static const ProcessTempDir dir;
        return dir;
    }

    const std::string& Path() const { return path; }
    std::string operator/(std::string_view name) const { return path + "/" + std::string(name); }

private:
    ProcessTempDir() {
        const char* base = std::getenv("TMPDIR");
        std::string pattern =
            std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/zelnor2-fuzz-XXXXXX";
        if (mkdtemp(pattern.data()) == nullptr) {
            std::abort(); // nothing can be checked without a place for the files
        }
        path = pattern;
    }
    ~ProcessTempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }

    std::string path;
};

} // namespace fuzzsupport
