#pragma once

#include "platform/NoCopy.h"

#include <QtGlobal>
#include <string>
#include <vector>

// Whether a window can be asked for at all: a Qt platform chosen
// (QT_QPA_PLATFORM or -platform) or a display named (DISPLAY,
// WAYLAND_DISPLAY). Empty when so; otherwise what to tell the operator.
std::string WhyNoWindowCanOpen(const std::vector<std::string>& arguments);

// Where the desktop offers X11 too (DISPLAY is set) and nobody chose a
// platform, the windows go on X11: there a program places its windows
// itself, so that they come back where the operator left them. Under Wayland
// the compositor places them and every position reads 0.
void PreferX11WhereOffered(const std::vector<std::string>& arguments);

// While the object lives, a fatal message of Qt (a display that is named but
// cannot be reached, a platform plugin that will not load) ends the program
// with the message on standard error and exit status 1, instead of an abort
// and a core file. Meant to guard the creation of the application object.
class WindowSystemFailureGuard : private platform::NoCopy {
public:
    WindowSystemFailureGuard();
    ~WindowSystemFailureGuard();

private:
    QtMessageHandler previous = nullptr;
};
