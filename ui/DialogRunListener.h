#pragma once

#include "DibMessageBoxes.h"
#include "transfer/ContextFeed.h"
#include "transfer/RunListener.h"

#include <string>

class CZelnor2Dlg;
class WorkerContext;

// What the dialog hears of one run: the worker context kept as its timer
// reads it, each new picture handed to the picture window at once rather
// than at the next tick (in capture first written as the display file), and
// the bitmap's message box. Runs on the worker's thread; what touches
// widgets is queued to the GUI thread.
class DialogRunListener final : public transfer::RunListener {
public:
    DialogRunListener(CZelnor2Dlg& dialog, WorkerContext& context, transfer::RunKind kind);
    void OnRunEvent(const transfer::RunEvent& event) override;

private:
    // Whether the display file holds the stored picture now.
    bool Displayed(const transfer::PictureStored& stored) const;

    CZelnor2Dlg& dialog;
    transfer::ContextFeed feed;
    DibMessageBoxes bitmapMessages;
    const transfer::RunKind kind;
    const std::string displayFile;
};
