#include "transfer/ContextFeed.h"
#include "TransferFixture.h"

#include <gtest/gtest.h>

using namespace transfertest;
using transfer::ContextFeed;
using transfer::EndCause;
using transfer::RunKind;

// What the dialog reads of each event: the status line as the operator has
// always seen it, the link, and the new-picture flag.
TEST(ContextFeed, EachEventLeavesTheContextAsTheDialogReadsIt) {
    TestLanguage language;
    const struct {
        const char* what;
        RunKind kind;
        transfer::RunEvent event;
        std::string status;
        int connected;
        int newPicture;
    } rows[] = {
        {"waiting", RunKind::Live, transfer::WaitingForHeader{}, "Waiting for valid header...", 1,
         0},
        {"progress", RunKind::Live, transfer::Progress{640, 480, 4864, 32309},
         "Pic 640x480, 4864 of 32309 bytes read", 1, 0},
        // The picture goes to the window by the dialog's listener itself.
        {"stored", RunKind::Capture,
         transfer::PictureStored{
             3, "/p/shot00000003.jpg", transfer::PictureKind::Jpeg, 1, 1, 9, {}, {}},
         "earlier", 1, 0},
        {"file not created", RunKind::Capture,
         transfer::PictureFailed{
             0, transfer::FailureCause::FileNotCreated, "Permission denied", {}},
         kOpenFileError, 1, 0},
        {"cut short", RunKind::Capture,
         transfer::PictureFailed{0, transfer::FailureCause::CutShort, "", {}}, "earlier", 1, 0},
        {"line lost", RunKind::Live, transfer::LineLost{"COM1 (/dev/pts/5): Input/output error"},
         "Line lost, opening the port again every half second: COM1 (/dev/pts/5): Input/output "
         "error",
         1, 0},
        {"still lost", RunKind::Live,
         transfer::LineStillLost{"COM1 (/dev/pts/5): No such file or directory"},
         "Line lost, opening the port again every half second: COM1 (/dev/pts/5): No such file "
         "or directory",
         1, 0},
        {"line back", RunKind::Live, transfer::LineBack{"COM1 (/dev/pts/6)"},
         "Line back: COM1 (/dev/pts/6)", 1, 0},
        {"disconnected", RunKind::Disconnect, transfer::Disconnected{}, kDisconnected, 0, 0},
        {"live port failed", RunKind::Live, transfer::Ended{EndCause::PortFailed, "COM3: busy"},
         "COM3: busy", 1, 0},
        {"capture port failed", RunKind::Capture,
         transfer::Ended{EndCause::PortFailed, "COM3: busy"}, "Error open Com3! COM3: busy", 1, 0},
        {"path refused", RunKind::Capture,
         transfer::Ended{EndCause::PathRefused, "Error: the picture path is too long"},
         "Error: the picture path is too long", 1, 0},
        {"free-space stop", RunKind::Capture, transfer::Ended{EndCause::FreeSpaceLimit, ""},
         "earlier", 1, 0},
        {"stopped", RunKind::Live, transfer::Ended{EndCause::Stopped, ""}, "earlier", 1, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        WorkerContext context;
        context.port = 3;
        context.connected = 1;
        context.connectedSpeed = 9600;
        context.SetStatusText("earlier");
        ContextFeed(context, row.kind).OnRunEvent(row.event);
        EXPECT_EQ(context.StatusText(), row.status);
        EXPECT_EQ(context.connected, row.connected);
        EXPECT_EQ(context.newPicture, row.newPicture);
    }
}

TEST(ContextFeed, AConnectCheckMarksTheLinkAndItsSpeed) {
    WorkerContext context;
    ContextFeed feed(context, RunKind::Connect);
    feed.OnRunEvent(transfer::Connected{57600});
    EXPECT_EQ(context.connected, 1);
    EXPECT_EQ(context.connectedSpeed, 57600);
    EXPECT_EQ(context.StatusText(), "");

    // A device named by its path has no COM number to show.
    ASSERT_TRUE(context.SetDevicePath("/dev/serial/by-id/camera"));
    ContextFeed(context, RunKind::Capture)
        .OnRunEvent(transfer::Ended{EndCause::PortFailed, "/dev/serial/by-id/camera: busy"});
    EXPECT_EQ(context.StatusText(), "/dev/serial/by-id/camera: busy");
}
