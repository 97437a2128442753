#pragma once

#include "NoCopy.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace platform {

// One file opened for writing or for reading, closed when the object goes.
// Every failed or short write is reported, and remembered: Close() answers
// false when anything written since the open did not reach the file.
class File : private NoCopy {
public:
    File() = default;
    ~File();

    // Creates the file, or empties it when it exists, for writing only.
    bool Create(const std::string& path);
    // Creates the file for writing only when no file of that name exists;
    // Error() is EEXIST when one does.
    bool CreateNew(const std::string& path);
    bool OpenForReading(const std::string& path);
    bool IsOpen() const { return descriptor >= 0; }

    // Writes all bytes; false when any of them could not be written (a full
    // disk, an I/O error, a file-size limit).
    bool Write(const void* data, std::size_t length);
    // Reads up to length bytes; fewer only at the end of the file or on an
    // error (Failed() tells which).
    std::size_t Read(void* data, std::size_t length);
    // Bytes from the current position to the end of a regular file; none for
    // anything else (a pipe, a device), whose length cannot be known ahead.
    std::optional<std::uint64_t> RemainingLength() const;

    // Closes the file; false when the close or any earlier write failed.
    bool Close();
    bool Failed() const { return failed; }
    // The system's error number of the first failure since the open (or of
    // the failed open itself); 0 when nothing failed.
    int Error() const { return error; }

private:
    // Closes what is open and opens path with flags (close-on-exec added).
    bool Open(const std::string& path, int flags);
    void Fail(int number);

    int descriptor = -1;
    bool failed = false;
    int error = 0;
};

// Removes a file; false when it could not be removed (a missing file too).
bool DeleteFile(const std::string& path);

// Writes bytes as the file target so that target is at every moment either
// the old or the whole new file: they go to a temporary name in the target's
// folder, which is renamed over it. False, with target untouched and errno
// telling why, on any error.
bool WriteFileReplacing(const std::string& target, std::span<const std::uint8_t> bytes);

// Makes target a second name of the file source, replacing target whole in
// the same way: no byte is written. False, with target untouched and errno
// telling why, when it cannot be (another file system, one without links).
bool LinkReplacing(const std::string& source, const std::string& target);

// Renames source over target in one step (both in the same file system).
bool ReplaceFile(const std::string& source, const std::string& target);

// A name in the same folder as path that no other file has, for a temporary
// file that will be renamed over path. The file is created empty.
std::string CreateTemporaryBeside(const std::string& path);

} // namespace platform
