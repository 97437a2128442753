#pragma once

#include "platform/NoCopy.h"

#include <chrono>
#include <set>
#include <string>
#include <string_view>

namespace testsupport {

// A fresh folder under the system's temporary folder, removed with all its
// contents when the object goes.
class TempDir : private platform::NoCopy {
public:
    TempDir();
    ~TempDir();

    const std::string& Path() const { return path; }
    // Path of an entry inside the folder.
    std::string operator/(std::string_view name) const;

private:
    std::string path;
};

// Writes bytes to a file, replacing it; the test fails on error.
void WriteFile(const std::string& path, std::string_view bytes);
// Whole contents of a file; empty when it cannot be read.
std::string ReadFile(const std::string& path);
bool FileExists(const std::string& path);
// Gives a file this time as its modification (and access) time; the test
// fails on error, as with WriteFile.
void SetFileTime(const std::string& path, std::chrono::system_clock::time_point when);
// The names of the entries in a folder.
std::set<std::string> FilesIn(const std::string& folder);

} // namespace testsupport
