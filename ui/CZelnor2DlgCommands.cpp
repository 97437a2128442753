// The start commands of the main dialog and Stop.
#include "CZelnor2Dlg.h"

#include "FreeSpaceLimit.h"
#include "LanguageString.h"
#include "SaveFileFilter.h"
#include "language/LanguageText.h"
#include "platform/DisplayFileLocation.h"
#include "platform/ExecutablePath.h"

#include <QComboBox>
#include <QFileDialog>
#include <QPushButton>

namespace {

// Status texts that language files written before them lack: the English
// text stands in where the key is missing.
struct FallbackText {
    std::string_view key;
    std::string_view english;
};
constexpr FallbackText kCannotStartWorker{"STRING_IDS_NO_WORKER",
                                          "Error: the worker thread cannot be started"};
constexpr FallbackText kDisplayPathTooLong{"STRING_IDS_DISPLAY_PATH_LONG",
                                           "Error: the path of the display file is too long"};
constexpr FallbackText kCapturePathTooLong{"STRING_IDS_CAPTURE_PATH_LONG",
                                           "Error: the capture path is too long"};

std::string StatusText(const FallbackText& text) {
    return LanguageText::TextOr(text.key, text.english);
}

} // namespace

bool CZelnor2Dlg::SetDisplayFileIn(const std::string& folder) {
    const std::string displayFile =
        platform::DisplayFileLocation(folder, LanguageString("STRING_IDS_TEMP_JPG").toStdString());
    if (!context.SetDisplayFileName(displayFile)) {
        RefuseCommand(StatusText(kDisplayPathTooLong));
        return false;
    }
    return true;
}

void CZelnor2Dlg::OnConnect() {
    if (IsWorkerRunning()) {
        return;
    }
    ReadControls();
    context.port = portIndex + 1;
    const bool speedListed = speedIndex >= 0 && speedIndex < controls.speedList->count();
    context.speed = speedListed ? controls.speedList->itemData(speedIndex).toInt() : -1;
    SwapInStop(controls.connect);
    StartWorker(procedures.connect, transfer::RunKind::Connect);
}

void CZelnor2Dlg::OnLiveMode() {
    if (IsWorkerRunning()) {
        return;
    }
    ReadControls();
    SwapInStop(controls.liveMode);
    context.speed = connectedSpeed;
    if (!SetDisplayFileIn(platform::ExecutableFolder())) {
        return;
    }
    StartWorker(procedures.live, transfer::RunKind::Live);
}

void CZelnor2Dlg::OnContinuousCapture() {
    if (IsWorkerRunning()) {
        return;
    }
    ReadControls();
    QString capturePath;
    if (!ChooseCaptureFile(capturePath)) {
        return;
    }
    SwapInStop(controls.continuousCapture);
    context.speed = connectedSpeed;
    context.deleteCorrupted = deleteCorruptedCheck ? 1 : 0;
    context.checkFreeSpace = freeSpaceCheck ? 1 : 0;
    context.freeSpaceLimit = FreeSpaceLimitBytes(freeSpaceValue, controls.unitList->currentIndex());
    if (!context.SetCaptureBasePath(capturePath.toStdString())) {
        RefuseCommand(StatusText(kCapturePathTooLong));
        return;
    }
    // In this mode the display file lies in the current folder (in the
    // user's cache folder where the current one cannot take it).
    if (!SetDisplayFileIn("")) {
        return;
    }
    StartWorker(procedures.continuousCapture, transfer::RunKind::Capture);
}

void CZelnor2Dlg::OnDisconnect() {
    if (IsWorkerRunning()) {
        return;
    }
    SwapInStop(controls.disconnect);
    StartWorker(procedures.disconnect, transfer::RunKind::Disconnect);
}

void CZelnor2Dlg::OnStop() {
    workerThread.RequestStop();
}

bool CZelnor2Dlg::ChooseCaptureFile(QString& path) {
    QFileDialog dialog(this, FitFileDialogText(LanguageString("STRING_IDS_SAVE_JPEG_TITLE")),
                       QString::fromStdString(platform::ExecutableFolder()));
    dialog.setObjectName("captureFileDialog");
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix("jpg");
    // Capture replaces the numbered files of an earlier run anyway; the
    // chosen name itself is never written.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    const QString filter =
        ConvertSaveFileFilter(FitFileDialogText(LanguageString("STRING_IDS_SAVE_JPEG_FILTER")));
    if (!filter.isEmpty()) {
        dialog.setNameFilter(filter);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return false;
    }
    path = dialog.selectedFiles().constFirst();
    return true;
}

void CZelnor2Dlg::StartWorker(WorkerThread::Procedure procedure, transfer::RunKind kind) {
    runKind = kind;
    runListener = std::make_unique<DialogRunListener>(*this, context, kind);
    workerRunning = workerThread.Start(procedure, context, *runListener);
    if (!workerRunning) {
        ShowStatus(StatusText(kCannotStartWorker));
    }
    ApplyControlStates();
}

void CZelnor2Dlg::RefuseCommand(const std::string& text) {
    ShowStatus(text);
    ApplyControlStates();
}
