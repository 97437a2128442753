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

QPoint CZelnor2Dlg::MoveToStoredPlace() {
    const QPoint place(
        SettingsStore::ReadInt(SettingsStore::kWindowsPlaces, SettingsStore::kMainX, 0),
        SettingsStore::ReadInt(SettingsStore::kWindowsPlaces, SettingsStore::kMainY, 0));
    // Moving a created window to where it stands already would only make Qt
    // take the place as the client area's from then on.
    if (pos() != place) {
        move(place);
    }
    return place;
}

void CZelnor2Dlg::PlaceOnShow() {
    framePlaceWhenShown = MoveToStoredPlace();
    // Until the operator's places have been stored once, the picture window
    // goes beside the dialog, top edges level; afterwards both windows come
    // back where they were left.
    const bool placesStored = IsStored(SettingsStore::kWindowsPlaces, SettingsStore::kMainX) &&
                              IsStored(SettingsStore::kWindowsPlaces, SettingsStore::kMainY);
    // Both need the dialog's frame, which the window manager adds only once
    // the dialog is on screen: until then Qt takes the place for the client
    // area's, one title bar lower than stored, and the windows would creep at
    // every start. So the frames are put in their places again once known
    // (during the first seconds only: later moves are the operator's).
    placeBesideWhenShown = !placesStored && pictureWindow != nullptr;
    if (windowHandle() != nullptr) {
        windowHandle()->installEventFilter(this);
    }
}

bool CZelnor2Dlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched == windowHandle() && event->type() == QEvent::Expose &&
        windowHandle()->isExposed()) {
        windowHandle()->removeEventFilter(this);
        SettlePlaces();
        // The window manager may frame the window a moment after it is on
        // screen; the places are looked at again until it surely has.
        for (const int ms : {100, 300, 1000, 2000, 3000}) {
            QTimer::singleShot(ms, this, &CZelnor2Dlg::SettlePlaces);
        }
        QTimer::singleShot(3000, this, [this] { placeBesideWhenShown = false; });
    }
    return QDialog::eventFilter(watched, event);
}

void CZelnor2Dlg::SettlePlaces() {
    const QRect frame = frameGeometry();
    if (frame != geometry() && frame.topLeft() != framePlaceWhenShown) {
        move(framePlaceWhenShown); // the frame is known now: a frame place
    }
    if (pictureWindow == nullptr) {
        return;
    }
    if (placeBesideWhenShown) {
        picturePlaceWhenShown =
            QPoint(framePlaceWhenShown.x() + frame.width() + kPictureGap, framePlaceWhenShown.y());
    }
    const QRect pictureFrame = pictureWindow->frameGeometry();
    if (pictureFrame.topLeft() != picturePlaceWhenShown &&
        (pictureFrame != pictureWindow->geometry() || placeBesideWhenShown)) {
        pictureWindow->move(picturePlaceWhenShown);
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
