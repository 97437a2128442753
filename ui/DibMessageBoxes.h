#pragma once

#include "picture/DibErrorHook.h"

// While the object lives, the bitmap's error messages ("Read error", "write
// error") reach the operator as message boxes queued to the GUI thread; the
// worker that reported goes on at once. The previous hook comes back when the
// object goes, before the application object does.
class DibMessageBoxes {
public:
    DibMessageBoxes();
    ~DibMessageBoxes();
    DibMessageBoxes(const DibMessageBoxes&) = delete;
    DibMessageBoxes& operator=(const DibMessageBoxes&) = delete;

private:
    DibErrorHook previous;
};
