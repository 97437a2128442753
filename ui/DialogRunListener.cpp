#include "DialogRunListener.h"

#include "CZelnor2Dlg.h"

void DialogRunListener::OnRunEvent(const transfer::RunEvent& event) {
    feed.OnRunEvent(event);
    bitmapMessages.OnRunEvent(event);
    const auto* picture = std::get_if<transfer::PictureStored>(&event);
    if (picture != nullptr && picture->displayed) {
        QMetaObject::invokeMethod(&dialog, &CZelnor2Dlg::RefreshPicture, Qt::QueuedConnection);
    }
}
