#pragma once

#include "FreeSpaceRule.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// What a run is given: its line, its files and its rules. The dialog (or the
// program without a window) fills one before a start, and the worker gets a
// copy of its own (WorkerThread), so nothing in it is shared between threads.
// What the run makes of it comes back as events, never through this record.
class WorkerContext {
public:
    // Room of the paths, terminator included: the longest path the system
    // takes. A path is never cut, since a cut path would name another file.
    static constexpr std::size_t kPathSize = 4096;

    std::int32_t port = 0; // COM port number, 1 to 9
    // The speed the run opens its port at: the one to try at Connect, the
    // one the link was connected at for the picture runs.
    std::int32_t speed = 0;
    std::uint32_t freeSpaceLimit = 0; // bytes
    std::int32_t checkFreeSpace = 0;
    // How a capture without a keeper (WorkerRun) learns the free space.
    transfer::FreeSpaceQuery freeSpace = transfer::QueryFreeSpace;
    std::int32_t deleteCorrupted = 0;
    // Whether a picture worker whose line is lost opens its port again until
    // it returns (1) or ends (0).
    std::int32_t reconnect = 1;
    // The least number a continuous capture counts from, also when its
    // folder holds none (tests reach the nine-digit numbers with it).
    std::uint64_t captureCounterStart = 0;
    // Whether a failed live picture leaves the newest good one in the display
    // file (1) or removes the display file (0).
    std::int32_t keepNewestOnFailure = 0;

    // Template of the numbered capture files. A path that does not fit leaves
    // the field empty and returns false, so that nothing is written under a
    // cut name.
    bool SetCaptureBasePath(std::string_view path) { return SetPath(captureBasePath, path); }
    const std::string& CaptureBasePath() const { return captureBasePath; }

    // The file that holds the newest picture; refused like the capture path.
    bool SetDisplayFileName(std::string_view path) { return SetPath(displayFileName, path); }
    const std::string& DisplayFileName() const { return displayFileName; }

    // A device path that the workers open instead of COM port n; empty for
    // the COM port. Refused like the capture path.
    bool SetDevicePath(std::string_view path) { return SetPath(devicePath, path); }
    const std::string& DevicePath() const { return devicePath; }

private:
    static bool SetPath(std::string& field, std::string_view path);

    std::string captureBasePath;
    std::string displayFileName;
    std::string devicePath;
};
