// Where the main dialog and the picture window stand: placed when the dialog
// is shown, stored when it closes.
#include "CZelnor2Dlg.h"

#include "SettingsStore.h"
#include "picture/CPictureDlg.h"

#include <QShowEvent>
#include <QTimer>
#include <QWindow>
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
    const int x = SettingsStore::ReadInt(SettingsStore::kWindowsPlaces, SettingsStore::kMainX, 0);
    const int y = SettingsStore::ReadInt(SettingsStore::kWindowsPlaces, SettingsStore::kMainY, 0);
    move(x, y);
    // Until the operator's places have been stored once, the picture window
    // goes beside the dialog, top edges level; afterwards both windows come
    // back where they were left.
    const bool placesStored = IsStored(SettingsStore::kWindowsPlaces, SettingsStore::kMainX) &&
                              IsStored(SettingsStore::kWindowsPlaces, SettingsStore::kMainY);
    // Both need the dialog's frame, which the window manager adds only once
    // the dialog is on screen: until then Qt takes the place for the client
    // area's, one title bar lower than stored, and the windows would creep at
    // every start. So the frame is put in its place again once it is known.
    framePlaceWhenShown = QPoint(x, y);
    placeBesideWhenShown = !placesStored && pictureWindow != nullptr;
    if (windowHandle() != nullptr) {
        windowHandle()->installEventFilter(this);
    }
}

bool CZelnor2Dlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched == windowHandle() && event->type() == QEvent::Expose &&
        windowHandle()->isExposed()) {
        windowHandle()->removeEventFilter(this);
        if (frameGeometry().topLeft() != framePlaceWhenShown) {
            move(framePlaceWhenShown);
        }
        if (placeBesideWhenShown) {
            placeBesideWhenShown = false;
            PlacePictureWindowBeside();
        }
    }
    return QDialog::eventFilter(watched, event);
}

void CZelnor2Dlg::PlacePictureWindowBeside() {
    if (pictureWindow == nullptr) {
        return;
    }
    // The picture window has been on screen since the dialog was made, so
    // Qt knows its frame and takes the place as the frame's.
    const QRect frame(framePlaceWhenShown, frameGeometry().size());
    pictureWindow->move(frame.right() + 1 + kPictureGap, frame.top());
    pictureWindow->FitClientArea();
    pictureWindow->update();
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
