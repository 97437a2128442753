#pragma once

#include "transfer/RunListener.h"

// The bitmap's failure as the operator has always seen it: a picture whose
// BMP file could not be written ("write error") shows a message box, queued
// to the GUI thread, while the worker goes on at once.
class DibMessageBoxes final : public transfer::RunListener {
public:
    void OnRunEvent(const transfer::RunEvent& event) override;
};
