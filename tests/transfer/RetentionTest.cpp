#include "tests/support/EarlierRun.h"
#include "tests/support/NumberedNames.h"
#include "tests/support/TempDir.h"
#include "tests/support/WaitUntil.h"
#include "transfer/CaptureNaming.h"
#include "transfer/KeptPictures.h"
#include "transfer/PictureRetention.h"

#include <chrono>
#include <gtest/gtest.h>
#include <mutex>
#include <set>
#include <string>
#include <vector>

using namespace std::chrono_literals;
using testsupport::FilesIn;
using testsupport::NumberedShots;
using testsupport::TempDir;
using testsupport::WriteFile;
using transfer::KeptPicture;
using transfer::KeptPictures;

namespace {

using SystemTime = std::chrono::system_clock::time_point;

} // namespace

TEST(KeptPictures, OffersTheOldestButNeverTheNewest) {
    const SystemTime now = std::chrono::system_clock::now();
    KeptPictures kept;
    EXPECT_EQ(kept.OldestDeletable(), std::nullopt);
    kept.Add({7, 100, now - 1h});
    EXPECT_EQ(kept.OldestDeletable(), std::nullopt) << "the newest alone stays";
    kept.Add({3, 200, now - 2h});
    kept.Add({5, 300, now - 3h});
    EXPECT_EQ(kept.Count(), 3u);
    EXPECT_EQ(kept.Bytes(), 600u);
    EXPECT_EQ(kept.OldestDeletable()->number, 5u) << "by time, not by number";
    kept.Add({5, 50, now}); // the same picture again, newer and smaller
    EXPECT_EQ(kept.Count(), 3u);
    EXPECT_EQ(kept.Bytes(), 350u);
    EXPECT_EQ(kept.OldestDeletable()->number, 3u);
    kept.Add({9, 10, now - 10h}); // the newest by number, though old by time
    EXPECT_EQ(kept.OldestDeletable()->number, 3u);
    kept.Remove(3);
    kept.Remove(42);
    EXPECT_EQ(kept.OldestDeletable()->number, 7u);
    EXPECT_EQ(kept.Bytes(), 160u);
}

// The pictures of an earlier run count: those older than the age limit go,
// then the oldest while all take more than the size limit, and nothing of
// another name, nor the newest.
TEST(PictureRetention, EarlierRunsPicturesCountAndExactlyTheOldestGo) {
    TempDir dir;
    const std::set<std::string> strangers = testsupport::WriteEarlierRun(dir);

    std::mutex toldLock;
    std::vector<transfer::DeletedPictures> told;
    transfer::RetentionSettings settings;
    settings.basePath = dir / "shot.jpg";
    settings.rules.maxAge = std::chrono::days(30);
    settings.rules.maxBytes = 60000;
    settings.reportDeleted = [&](const transfer::DeletedPictures& deleted) {
        std::lock_guard guard(toldLock);
        told.push_back(deleted);
    };
    transfer::PictureRetention retention(std::move(settings));
    retention.Start();
    for (std::uint64_t number = 1000; number < 1003; ++number) {
        const std::string path = transfer::NumberedPath(dir / "shot.jpg", number);
        WriteFile(path, std::string(5000, 'n'));
        retention.OnRunEvent(transfer::PictureStored{
            number, path, transfer::PictureKind::Jpeg, 640, 480, 5000, {}, nullptr});
    }
    ASSERT_TRUE(testsupport::WaitUntil([&] { return retention.Figures().keptCount == 453; }))
        << retention.Figures().keptCount;
    retention.Stop();

    // 300 too old; of the 70000 bytes left and 15000 new, the 250 oldest go.
    std::set<std::string> left = NumberedShots(550, 1002);
    left.insert(strangers.begin(), strangers.end());
    EXPECT_EQ(FilesIn(dir.Path()), left);
    const transfer::RetentionFigures figures = retention.Figures();
    EXPECT_EQ(figures.keptCount, 453u);
    EXPECT_EQ(figures.keptBytes, 60000u);
    EXPECT_EQ(figures.deleted, (transfer::DeletedPictures{550, 55000}));
    std::lock_guard guard(toldLock);
    transfer::DeletedPictures sum;
    for (const auto& report : told) {
        sum.count += report.count;
        sum.bytes += report.bytes;
    }
    EXPECT_EQ(sum, figures.deleted) << "every deletion told";
    EXPECT_LE(told.size(), 2u) << "now and then, not per file";
}
