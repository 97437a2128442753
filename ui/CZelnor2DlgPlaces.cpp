// Where the main dialog and the picture window stand: placed when the dialog
// is shown, stored when it closes.
#include "CZelnor2Dlg.h"

#include "SettingsStore.h"
#include "picture/CPictureDlg.h"

#include <QTimer>
#include <QWindow>

namespace {

// A value is stored when reading it with two different defaults gives the
// same answer.
bool IsStored(std::string_view section, std::string_view key) {
    return SettingsStore::ReadInt(section, key, 0) == SettingsStore::ReadInt(section, key, 1);
}

} // namespace

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

void CZelnor2Dlg::MovePictureToStoredPlace() {
    // Placed before it is shown, so that the place is taken as the frame's
    // (and put right once the window manager has framed it).
    picturePlaceWhenShown =
        QPoint(SettingsStore::ReadInt(SettingsStore::kWindowsPlaces, SettingsStore::kPictureX, 0),
               SettingsStore::ReadInt(SettingsStore::kWindowsPlaces, SettingsStore::kPictureY, 0));
    pictureWindow->move(picturePlaceWhenShown);
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

void CZelnor2Dlg::StorePlaces() {
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
}
