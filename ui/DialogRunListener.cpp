#include "DialogRunListener.h"

#include "CZelnor2Dlg.h"

namespace {

void Deliver(CZelnor2Dlg& dialog, transfer::RunEventQueue& queue) {
    for (const transfer::RunEvent& event : queue.TakeAll()) {
        dialog.OnRunEvent(event);
    }
}

} // namespace

void DialogRunListener::OnRunEvent(const transfer::RunEvent& event) {
    if (queue->Push(event)) {
        // One delivery takes whatever has come by the time it runs. Qt drops
        // it with the dialog.
        QMetaObject::invokeMethod(
            &dialog, [target = &dialog, waiting = queue] { Deliver(*target, *waiting); },
            Qt::QueuedConnection);
    }
    bitmapMessages.OnRunEvent(event);
    const auto* picture = std::get_if<transfer::PictureStored>(&event);
    if (picture != nullptr && picture->displayed) {
        QMetaObject::invokeMethod(&dialog, &CZelnor2Dlg::RefreshPicture, Qt::QueuedConnection);
    }
}

void DialogRunListener::DeliverQueued() {
    Deliver(dialog, *queue);
}
