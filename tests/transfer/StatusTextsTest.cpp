#include "transfer/StatusTexts.h"
#include "TransferFixture.h"

#include <gtest/gtest.h>
#include <optional>
#include <string>

using namespace transfertest;
using transfer::EndCause;
using transfer::RunKind;
using transfer::StatusLineFor;

// The status line each event brings, as the operator has always seen it;
// nothing where the line stays as it was.
TEST(StatusTexts, EachEventBringsTheStatusLineTheOperatorKnows) {
    TestLanguage language;
    const struct {
        const char* what;
        RunKind kind;
        transfer::RunEvent event;
        std::optional<std::string> status;
    } rows[] = {
        {"waiting", RunKind::Live, transfer::WaitingForHeader{}, "Waiting for valid header..."},
        {"progress", RunKind::Live, transfer::Progress{640, 480, 4864, 32309},
         "Pic 640x480, 4864 of 32309 bytes read"},
        {"stored", RunKind::Capture,
         transfer::PictureStored{
             3, "/p/shot00000003.jpg", transfer::PictureKind::Jpeg, 1, 1, 9, {}, nullptr},
         std::nullopt},
        {"file not created", RunKind::Capture,
         transfer::PictureFailed{
             0, transfer::FailureCause::FileNotCreated, "Permission denied", {}},
         kOpenFileError},
        {"cut short", RunKind::Capture,
         transfer::PictureFailed{0, transfer::FailureCause::CutShort, "", {}}, std::nullopt},
        {"line lost", RunKind::Live, transfer::LineLost{"COM1 (/dev/pts/5): Input/output error"},
         "Line lost, opening the port again every half second: COM1 (/dev/pts/5): Input/output "
         "error"},
        {"still lost", RunKind::Live,
         transfer::LineStillLost{"COM1 (/dev/pts/5): No such file or directory"},
         "Line lost, opening the port again every half second: COM1 (/dev/pts/5): No such file "
         "or directory"},
        {"line back", RunKind::Live, transfer::LineBack{"COM1 (/dev/pts/6)"},
         "Line back: COM1 (/dev/pts/6)"},
        {"disconnected", RunKind::Disconnect, transfer::Disconnected{}, kDisconnected},
        {"live port failed", RunKind::Live, transfer::Ended{EndCause::PortFailed, "COM3: busy"},
         "COM3: busy"},
        {"capture port failed", RunKind::Capture,
         transfer::Ended{EndCause::PortFailed, "COM3: busy"}, "Error open Com3! COM3: busy"},
        {"path refused", RunKind::Capture,
         transfer::Ended{EndCause::PathRefused, "Error: the picture path is too long"},
         "Error: the picture path is too long"},
        {"free-space stop", RunKind::Capture, transfer::Ended{EndCause::FreeSpaceLimit, ""},
         std::nullopt},
        {"stopped", RunKind::Live, transfer::Ended{EndCause::Stopped, ""}, std::nullopt},
    };
    WorkerContext settings;
    settings.port = 3;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(StatusLineFor(row.event, row.kind, settings), row.status);
    }
}

TEST(StatusTexts, ADeviceNamedByItsPathHasNoComNumberToShow) {
    TestLanguage language;
    WorkerContext settings;
    settings.port = 3;
    ASSERT_TRUE(settings.SetDevicePath("/dev/serial/by-id/camera"));
    EXPECT_EQ(StatusLineFor(transfer::Ended{EndCause::PortFailed, "/dev/serial/by-id/camera: busy"},
                            RunKind::Capture, settings),
              "/dev/serial/by-id/camera: busy");
    EXPECT_EQ(StatusLineFor(transfer::Connected{57600}, RunKind::Connect, settings), std::nullopt);
}

TEST(StatusTexts, TheLineIsCutTo254Characters) {
    TestLanguage language;
    EXPECT_EQ(transfer::FitStatusText(std::string(254, 'a')), std::string(254, 'a'));
    EXPECT_EQ(transfer::FitStatusText(std::string(300, 'b') + "tail"), std::string(254, 'b'));
    EXPECT_EQ(StatusLineFor(transfer::LineBack{std::string(300, 'd')}, RunKind::Live, {})->size(),
              254u);
}
