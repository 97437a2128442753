#pragma once

#include "DibMessageBoxes.h"
#include "transfer/ContextFeed.h"
#include "transfer/RunListener.h"

class CZelnor2Dlg;
class WorkerContext;

// What the dialog hears of one run: the worker context kept as its timer
// reads it, a new picture handed to the picture window at once rather than
// at the next tick, and the bitmap's message box. Runs on the worker's
// thread; what touches widgets is queued to the GUI thread.
class DialogRunListener final : public transfer::RunListener {
public:
    DialogRunListener(CZelnor2Dlg& dialog, WorkerContext& context, transfer::RunKind kind)
        : dialog(dialog), feed(context, kind) {}
    void OnRunEvent(const transfer::RunEvent& event) override;

private:
    CZelnor2Dlg& dialog;
    transfer::ContextFeed feed;
    DibMessageBoxes bitmapMessages;
};
