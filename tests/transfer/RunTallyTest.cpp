#include "transfer/RunTally.h"

#include <gtest/gtest.h>

using namespace transfer;
using namespace std::chrono_literals;

namespace {

TransferFigures Figures(std::uint32_t bytes, std::chrono::microseconds took) {
    return TransferFigures{bytes, took};
}

} // namespace

TEST(RunTally, FoldsARunIntoItsStateAndTotals) {
    RunTally tally;
    EXPECT_EQ(tally.Snapshot().state, RunState::Starting);

    tally.OnRunEvent(WaitingForHeader{});
    EXPECT_EQ(tally.Snapshot().state, RunState::Waiting);
    tally.OnRunEvent(Progress{640, 480, 200, 5000});
    RunSnapshot snapshot = tally.Snapshot();
    EXPECT_EQ(snapshot.state, RunState::Receiving);
    EXPECT_EQ(snapshot.progress.stored, 200u);
    EXPECT_EQ(snapshot.progress.expected, 5000u);
    EXPECT_EQ(snapshot.totals.goodPictures + snapshot.totals.failedPictures, 0u)
        << "a picture in transfer is neither good nor failed";

    tally.OnRunEvent(PictureStored{0, "/p/shot00000000.jpg", PictureKind::Jpeg, 640, 480, 5000,
                                   Figures(5000, 500ms), nullptr});
    tally.OnRunEvent(WaitingForHeader{});
    tally.OnRunEvent(Progress{320, 240, 0, 3000});
    tally.OnRunEvent(PictureFailed{1, FailureCause::CutShort, "", Figures(1000, 250ms)});
    tally.OnRunEvent(LineLost{"COM1 (/dev/pts/5): Input/output error", true});
    snapshot = tally.Snapshot();
    EXPECT_EQ(snapshot.state, RunState::LineLost);
    EXPECT_EQ(snapshot.reason, "COM1 (/dev/pts/5): Input/output error");
    EXPECT_EQ(snapshot.progress.expected, 0u);
    tally.OnRunEvent(LineStillLost{"COM1 (/dev/pts/5): No such file or directory"});
    EXPECT_EQ(tally.Snapshot().reason, "COM1 (/dev/pts/5): No such file or directory");
    tally.OnRunEvent(LineBack{"COM1 (/dev/pts/6)"});
    EXPECT_EQ(tally.Snapshot().state, RunState::Waiting);
    EXPECT_EQ(tally.Snapshot().reason, "");
    tally.OnRunEvent(PictureStored{3, "/p/shot00000003.jpg", PictureKind::UncompressedPixels, 8, 2,
                                   16, Figures(16, 250ms), nullptr});
    tally.OnRunEvent(Ended{EndCause::FreeSpaceLimit, ""});

    snapshot = tally.Snapshot();
    EXPECT_EQ(snapshot.state, RunState::Ended);
    EXPECT_EQ(snapshot.end, EndCause::FreeSpaceLimit);
    EXPECT_EQ(snapshot.totals.goodPictures, 2u);
    EXPECT_EQ(snapshot.totals.failedPictures, 1u);
    EXPECT_EQ(snapshot.totals.goodPictureBytes, 5016u);
    EXPECT_EQ(snapshot.totals.payloadBytes, 6016u);
    EXPECT_EQ(snapshot.totals.transferTime, 1000ms);
    ASSERT_TRUE(snapshot.newest.has_value());
    EXPECT_EQ(snapshot.newest->number, 3u);
    EXPECT_EQ(snapshot.newest->file, "/p/shot00000003.jpg");
    EXPECT_EQ(snapshot.newest->kind, PictureKind::UncompressedPixels);
}

// The share of the line is a percentage only up to 100: bytes that came
// faster than the speed allows are told as such, with their rate.
TEST(LineUse, ShareOfTheLineOrFasterThanIt) {
    using Kind = LineUse::Kind;
    const struct {
        const char* name;
        std::uint64_t bytes;
        std::chrono::microseconds took;
        std::int32_t speed;
        Kind kind;
        double percent;
        double bytesPerSecond;
    } cases[] = {
        {"nothing transferred", 0, 0us, 115200, Kind::Unknown, 0, 0},
        {"speed unknown", 1000, 1s, 0, Kind::Unknown, 0, 0},
        {"part of the line", 5760, 1s, 115200, Kind::Efficiency, 50.0, 5760},
        {"the whole line", 11520, 1s, 115200, Kind::Efficiency, 100.0, 11520},
        {"a pseudo-terminal", 656640, 1s, 115200, Kind::FasterThanLine, 0, 656640},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RunTotals totals;
        totals.payloadBytes = c.bytes;
        totals.transferTime = c.took;
        const LineUse use = LineUseOf(totals, c.speed);
        EXPECT_EQ(use.kind, c.kind);
        EXPECT_DOUBLE_EQ(use.percent, c.percent);
        EXPECT_DOUBLE_EQ(use.bytesPerSecond, c.bytesPerSecond);
    }
}
