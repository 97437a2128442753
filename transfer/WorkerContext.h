#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>

// The record the dialog reads: the settings of a run, written before its
// worker starts and read by the worker, and what the dialog shows of the
// link and the pictures, kept by the run's ContextFeed from the worker's
// events. Numbers and flags are atomics, each written whole by the writers
// that own it; the texts sit behind the record's lock and are only copied in
// and out whole.
class WorkerContext {
public:
    // Room of the status text, terminator included; a longer text is cut.
    static constexpr std::size_t kStatusTextSize = 255;
    // Room of the paths, terminator included: the longest path the system
    // takes. A path is never cut, since a cut path would name another file.
    static constexpr std::size_t kPathSize = 4096;

    WorkerContext() = default;
    WorkerContext(const WorkerContext&) = delete;
    WorkerContext& operator=(const WorkerContext&) = delete;

    std::atomic<std::int32_t> port{0};            // COM port number, 1 to 9
    std::atomic<std::int32_t> speed{0};           // speed to try at Connect
    std::atomic<std::int32_t> connectedSpeed{0};  // speed the port was found usable at
    std::atomic<std::uint32_t> freeSpaceLimit{0}; // bytes
    std::atomic<std::int32_t> checkFreeSpace{0};
    std::atomic<std::int32_t> connected{0};
    std::atomic<std::int32_t> newPicture{0};
    std::atomic<std::int32_t> deleteCorrupted{0};
    // Whether a picture worker whose line is lost opens its port again until
    // it returns (1) or ends (0).
    std::atomic<std::int32_t> reconnect{1};
    // Whether a failed live picture leaves the newest good one in the display
    // file (1) or removes the display file (0).
    std::atomic<std::int32_t> keepNewestOnFailure{0};

    // Progress and error text for the operator; cut to 254 characters.
    void SetStatusText(std::string_view text);
    std::string StatusText() const;

    // Template of the numbered capture files. A path that does not fit leaves
    // the field empty and returns false, so that nothing is written under a
    // cut name.
    bool SetCaptureBasePath(std::string_view path);
    std::string CaptureBasePath() const;

    // The file that holds the newest picture; refused like the capture path.
    bool SetDisplayFileName(std::string_view path);
    std::string DisplayFileName() const;

    // A device path that the workers open instead of COM port n; empty for
    // the COM port. Refused like the capture path.
    bool SetDevicePath(std::string_view path);
    std::string DevicePath() const;

private:
    template <std::size_t N> static void CopyIn(std::array<char, N>& field, std::string_view text);
    template <std::size_t N> bool SetPath(std::array<char, N>& field, std::string_view path);
    template <std::size_t N> std::string Read(const std::array<char, N>& field) const;

    mutable std::mutex textLock;
    std::array<char, kStatusTextSize> statusText{};
    std::array<char, kPathSize> captureBasePath{};
    std::array<char, kPathSize> displayFileName{};
    std::array<char, kPathSize> devicePath{};
};
