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
                                   true, Figures(5000, 500ms)});
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
                                   16, false, Figures(16, 250ms)});
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
