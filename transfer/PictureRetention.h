#pragma once

#include "FreeSpaceRule.h"
#include "KeptPictures.h"
#include "RunListener.h"
#include "SpaceKeeper.h"
#include "platform/NoCopy.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace transfer {

// What a capture left alone keeps of its pictures. The oldest are deleted
// while one rule asks for it.
struct RetentionRules {
    std::optional<std::chrono::seconds> maxAge; // older pictures go
    std::optional<std::uint64_t> maxBytes;      // while the pictures take more
    std::uint32_t freeSpaceLimit = 0;           // while less is free (0: never)
};

// How many pictures were deleted and their bytes.
struct DeletedPictures {
    std::uint64_t count = 0;
    std::uint64_t bytes = 0;

    bool operator==(const DeletedPictures&) const = default;
};

// The pictures of the path on disk now, and those deleted since the start.
struct RetentionFigures {
    std::uint64_t keptCount = 0;
    std::uint64_t keptBytes = 0;
    DeletedPictures deleted;
    // The free space is below the limit and only the newest picture is left.
    bool limitUnmet = false;
};

struct RetentionSettings {
    std::string basePath; // the capture path, as the worker numbers it
    RetentionRules rules;
    // The free-space reading; tests hand their own.
    FreeSpaceQuery freeSpace = QueryFreeSpace;
    // Deletions are told at most this often, with what was deleted since the
    // last time; the rest when the retention stops.
    std::chrono::seconds reportEvery{60};
    std::function<void(const DeletedPictures& sinceLastReport)> reportDeleted;
};

// Keeps the numbered pictures of one capture path within the rules: only
// files whose names the capture gives are ever deleted, the oldest first, and
// never the newest. The pictures present at the start (earlier runs) are
// taken in by one pass over the folder on the retention's own thread; after
// that the run's PictureStored events keep its index, so that no picture
// costs a pass over the folder. All deleting is on the retention's thread,
// never on the worker's: its listener side only queues and wakes.
class PictureRetention final : public RunListener, public SpaceKeeper, private platform::NoCopy {
public:
    explicit PictureRetention(RetentionSettings settings);
    ~PictureRetention() override;

    // Starts the thread: the pass over the folder, then the rules.
    void Start();
    // Applies the rules once more to what is queued, tells the deletions not
    // yet told, and ends the thread.
    void Stop();

    void OnRunEvent(const RunEvent& event) override;
    std::optional<std::uint64_t> FreeBytes() override;
    bool MakeRoom() override;

    RetentionFigures Figures() const;

private:
    using Clock = std::chrono::steady_clock;

    struct StoredFile {
        std::uint64_t number = 0;
        std::string path;
    };

    void Run();
    void TakeInFolder();
    // Deletes the oldest pictures while a rule asks for it. The lock is
    // held, and let go around each file operation and free-space reading.
    void ApplyRules(std::unique_lock<std::mutex>& held);
    // Whether a rule asks for the oldest to go; with none left to delete,
    // whether the free space is below the limit.
    bool RuleAsksToDelete(const std::optional<KeptPicture>& oldest,
                          std::unique_lock<std::mutex>& held);
    // Tells the deletions not told yet, at most once per reportEvery unless
    // finally.
    void ReportIfDue(std::unique_lock<std::mutex>& held, bool finally);
    // When the thread looks again without being woken: the next report due,
    // the oldest picture passing the age limit.
    Clock::time_point NextWake() const;

    const RetentionSettings settings;
    mutable std::mutex lock;
    std::condition_variable wake;
    std::vector<StoredFile> stored; // of PictureStored events, not taken in yet
    bool folderTakenIn = false;
    bool limitUnmet = false;
    bool roomWanted = false;
    bool stopping = false;
    KeptPictures kept;
    DeletedPictures deleted;
    DeletedPictures untold;
    bool told = false;
    Clock::time_point lastReport{};
    std::thread thread;
};

} // namespace transfer
