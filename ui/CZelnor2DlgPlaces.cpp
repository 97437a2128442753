// Where the main dialog and the picture window stand: placed when the dialog
// is shown, stored when it closes.
#include "CZelnor2Dlg.h"

#include "SettingsStore.h"
#include "picture/CPictureDlg.h"

#include <QShowEvent>
#include <QTimer>
#include <chrono>
#include <thread>

namespace {

// A value is stored when reading it with two different defaults gives the
// same answer.
bool IsStored(std::string_view section, std::string_view key) {
    return SettingsStore::ReadInt(section, key, 0) == SettingsStore::ReadInt(section, key, 1);
}

} // namespace

void CZelnor2Dlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous() && initialised) {
        PlaceOnShow();
    }
}

void CZelnor2Dlg::PlaceOnShow() {
    const QSize frame = frameGeometry().size();
    const int x = SettingsStore::ReadInt(SettingsStore::kWindowsPlaces, SettingsStore::kMainX, 0);
    const int y = SettingsStore::ReadInt(SettingsStore::kWindowsPlaces, SettingsStore::kMainY, 0);
    move(x, y);
    // Until the operator's places have been stored once, the picture window
    // goes beside the dialog, top edges level; afterwards both windows come
    // back where they were left.
    const bool placesStored = IsStored(SettingsStore::kWindowsPlaces, SettingsStore::kMainX) &&
                              IsStored(SettingsStore::kWindowsPlaces, SettingsStore::kMainY);
    if (!placesStored && pictureWindow != nullptr) {
        pictureWindow->move(x + frame.width() + kPictureGap, y);
        pictureWindow->FitClientArea();
        pictureWindow->update();
    }
}

bool CZelnor2Dlg::PrepareExit() {
    if (automationProxy != nullptr) {
        // A client still holds the program: the window goes out of sight and
        // everything else stays as it is. QDialog's own hiding would end the
        // modal run, so the plain widget's is used.
        QWidget::setVisible(false);
        return false;
    }
    // The worker polls the stop request; nothing else is handled meanwhile,
    // so no command can start another worker.
    while (IsWorkerRunning()) {
        context.stopRequest = 1;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ReadControls();
    const QPoint mainPlace = frameGeometry().topLeft();
    SettingsStore::WriteInt(SettingsStore::kWindowsPlaces, SettingsStore::kMainX, mainPlace.x());
    SettingsStore::WriteInt(SettingsStore::kWindowsPlaces, SettingsStore::kMainY, mainPlace.y());
    if (pictureWindow != nullptr) {
        const QPoint picturePlace = pictureWindow->frameGeometry().topLeft();
        SettingsStore::WriteInt(SettingsStore::kWindowsPlaces, SettingsStore::kPictureX,
                                picturePlace.x());
        SettingsStore::WriteInt(SettingsStore::kWindowsPlaces, SettingsStore::kPictureY,
                                picturePlace.y());
    }
    SettingsStore::WriteInt(SettingsStore::kCommunication, SettingsStore::kPort, portIndex);
    SettingsStore::WriteInt(SettingsStore::kCommunication, SettingsStore::kBaudrate, speedIndex);
    delete pictureWindow;
    pictureWindow = nullptr;
    if (refreshTimer != nullptr) {
        refreshTimer->stop();
    }
    return true;
}

void CZelnor2Dlg::reject() {
    if (!initialised) {
        QDialog::reject();
        return;
    }
    if (PrepareExit()) {
        QDialog::reject();
    }
}
