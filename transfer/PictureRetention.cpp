#include "PictureRetention.h"

#include "CaptureNaming.h"
#include "platform/ThreadStop.h"

#include <algorithm>
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>
#include <variant>

namespace transfer {

namespace {

// A sleeping retention looks again at least this often for pictures that
// aged past the limit, whatever the clock did meanwhile.
constexpr std::chrono::minutes kLongestSleep{10};

std::optional<KeptPicture> Examine(std::uint64_t number, const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) {
        return std::nullopt;
    }
    const auto since = std::chrono::seconds(status.st_mtim.tv_sec) +
                       std::chrono::nanoseconds(status.st_mtim.tv_nsec);
    return KeptPicture{number, static_cast<std::uint64_t>(status.st_size),
                       std::chrono::system_clock::time_point(
                           std::chrono::duration_cast<std::chrono::system_clock::duration>(since))};
}

} // namespace

PictureRetention::PictureRetention(RetentionSettings settings) : settings(std::move(settings)) {}

PictureRetention::~PictureRetention() {
    Stop();
}

void PictureRetention::Start() {
    thread = std::thread([this] { Run(); });
}

void PictureRetention::Stop() {
    platform::StopThread(lock, stopping, wake, thread);
}

void PictureRetention::OnRunEvent(const RunEvent& event) {
    if (const auto* picture = std::get_if<PictureStored>(&event)) {
        {
            std::lock_guard guard(lock);
            stored.push_back({picture->number, picture->file});
        }
        wake.notify_one();
    }
}

std::optional<std::uint64_t> PictureRetention::FreeBytes() {
    return settings.freeSpace(settings.basePath);
}

bool PictureRetention::MakeRoom() {
    std::lock_guard guard(lock);
    // Until the folder is taken in, what it holds is not known yet. Once the
    // newest alone is left and the limit is still not met, no room can be
    // made, whatever arrives after.
    const bool left = !folderTakenIn || (!limitUnmet && kept.Count() + stored.size() >= 2);
    roomWanted = true;
    wake.notify_one();
    return left;
}

RetentionFigures PictureRetention::Figures() const {
    std::lock_guard guard(lock);
    return {kept.Count(), kept.Bytes(), deleted, limitUnmet};
}

void PictureRetention::Run() {
    TakeInFolder();
    std::unique_lock held(lock);
    for (;;) {
        if (!stored.empty()) {
            std::vector<StoredFile> files = std::move(stored);
            stored.clear();
            held.unlock();
            std::vector<KeptPicture> examined;
            for (const StoredFile& file : files) {
                if (auto picture = Examine(file.number, file.path)) {
                    examined.push_back(*picture);
                }
            }
            held.lock();
            for (const KeptPicture& picture : examined) {
                kept.Add(picture);
            }
        }
        roomWanted = false;
        ApplyRules(held);
        ReportIfDue(held, false);
        if (stopping && stored.empty()) {
            break;
        }
        wake.wait_until(held, NextWake(),
                        [this] { return stopping || roomWanted || !stored.empty(); });
    }
    ReportIfDue(held, true);
}

void PictureRetention::TakeInFolder() {
    const NumberedPattern pattern = PatternOf(settings.basePath);
    std::vector<KeptPicture> present;
    ForEachNumberedName(pattern, [&](std::uint64_t number, const char* name) {
        if (auto picture = Examine(number, pattern.folder + "/" + name)) {
            present.push_back(*picture);
        }
    });
    std::lock_guard guard(lock);
    for (const KeptPicture& picture : present) {
        kept.Add(picture);
    }
    folderTakenIn = true;
}

bool PictureRetention::RuleAsksToDelete(const std::optional<KeptPicture>& oldest,
                                        std::unique_lock<std::mutex>& held) {
    const RetentionRules& rules = settings.rules;
    if (oldest && rules.maxAge && oldest->time < std::chrono::system_clock::now() - *rules.maxAge) {
        return true;
    }
    if (oldest && rules.maxBytes && kept.Bytes() > *rules.maxBytes) {
        return true;
    }
    if (rules.freeSpaceLimit == 0) {
        return false;
    }
    held.unlock();
    const auto freeBytes = FreeBytes();
    held.lock();
    return freeBytes && FreeSpaceBelowLimit(*freeBytes, rules.freeSpaceLimit);
}

void PictureRetention::ApplyRules(std::unique_lock<std::mutex>& held) {
    for (;;) {
        const std::optional<KeptPicture> oldest = kept.OldestDeletable();
        const bool asked = RuleAsksToDelete(oldest, held);
        if (!oldest || !asked) {
            // Only the free-space rule can still ask with nothing to delete.
            limitUnmet = asked;
            return;
        }
        const std::string path = NumberedPath(settings.basePath, oldest->number);
        held.unlock();
        const bool gone = ::unlink(path.c_str()) == 0;
        held.lock();
        // A file that cannot be deleted (gone already, or not ours to delete)
        // leaves the index too, so that the rules move on to the next.
        kept.Remove(oldest->number);
        if (gone) {
            deleted.count += 1;
            deleted.bytes += oldest->bytes;
            if (settings.reportDeleted) {
                untold.count += 1;
                untold.bytes += oldest->bytes;
            }
        }
    }
}

void PictureRetention::ReportIfDue(std::unique_lock<std::mutex>& held, bool finally) {
    if (untold.count == 0) {
        return;
    }
    const auto now = Clock::now();
    if (!finally && told && now - lastReport < settings.reportEvery) {
        return;
    }
    const DeletedPictures telling = untold;
    untold = {};
    told = true;
    lastReport = now;
    held.unlock();
    settings.reportDeleted(telling);
    held.lock();
}

PictureRetention::Clock::time_point PictureRetention::NextWake() const {
    auto next = Clock::now() + kLongestSleep;
    if (untold.count > 0) {
        next = std::min(next, lastReport + settings.reportEvery);
    }
    const auto oldest = kept.OldestDeletable();
    if (settings.rules.maxAge && oldest) {
        const auto untilTooOld =
            oldest->time + *settings.rules.maxAge - std::chrono::system_clock::now();
        next = std::min(next, Clock::now() + std::max(untilTooOld, Clock::duration::zero()) +
                                  std::chrono::milliseconds(1));
    }
    return next;
}

} // namespace transfer
