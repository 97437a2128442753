#include "DialogRunListener.h"

#include "CZelnor2Dlg.h"
#include "platform/File.h"
#include "transfer/WorkerContext.h"

DialogRunListener::DialogRunListener(CZelnor2Dlg& dialog, const WorkerContext& context,
                                     transfer::RunKind kind)
    : dialog(dialog), kind(kind), displayFile(context.DisplayFileName()) {}

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
    const auto* stored = std::get_if<transfer::PictureStored>(&event);
    if (stored != nullptr && Displayed(*stored)) {
        QMetaObject::invokeMethod(
            &dialog,
            [&shownBy = dialog, file = displayFile, picture = stored->picture] {
                shownBy.ShowPicture(file, picture);
            },
            Qt::QueuedConnection);
    }
}

bool DialogRunListener::Displayed(const transfer::PictureStored& stored) const {
    // Live mode receives into the display file itself. A capture's picture
    // is its numbered file; the display file gets its bytes whole, and a
    // display file that cannot be written (a current folder nobody may
    // write, a full cache) leaves the picture stored all the same, only not
    // shown.
    return kind != transfer::RunKind::Capture ||
           platform::WriteFileReplacing(displayFile, stored.picture->bytes);
}

void DialogRunListener::DeliverQueued() {
    Deliver(dialog, *queue);
}
