#pragma once

#include "DibMessageBoxes.h"
#include "transfer/RunEventQueue.h"
#include "transfer/RunKind.h"
#include "transfer/RunListener.h"

#include <memory>
#include <string>

class CZelnor2Dlg;
class WorkerContext;

// What the dialog hears of one run: every event queued to the GUI thread,
// where the dialog keeps its own state from them (only the newest progress
// when they come faster than it draws), each new picture handed to the
// picture window (in capture first written as the display file), and the
// bitmap's message box. OnRunEvent runs on the worker's thread and never
// waits for the GUI.
class DialogRunListener final : public transfer::RunListener {
public:
    DialogRunListener(CZelnor2Dlg& dialog, const WorkerContext& context, transfer::RunKind kind);
    void OnRunEvent(const transfer::RunEvent& event) override;
    // Hands the dialog what is queued now, on the GUI thread; for the end of
    // a run that was waited for.
    void DeliverQueued();

private:
    // Whether the display file holds the stored picture now.
    bool Displayed(const transfer::PictureStored& stored) const;

    CZelnor2Dlg& dialog;
    // Shared with the queued deliveries, which may run after the listener
    // has been replaced.
    std::shared_ptr<transfer::RunEventQueue> queue = std::make_shared<transfer::RunEventQueue>();
    DibMessageBoxes bitmapMessages;
    const transfer::RunKind kind;
    const std::string displayFile;
};
