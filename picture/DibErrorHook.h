#pragma once

#include <functional>
#include <string_view>

// Where the bitmap's error messages go. The bitmap knows nothing of windows;
// the program decides how the operator sees a message (a message box, a line
// on standard error) by installing a hook.
using DibErrorHook = std::function<void(std::string_view message)>;

// Installs hook and returns the one it replaces; an empty hook restores the
// default, which writes the message and a newline to standard error. Hooks run
// one at a time under a lock, on the thread that reported, so a hook must not
// install another one. Once this returns, the replaced hook is never called
// again, so its captures may go.
DibErrorHook SetDibErrorHook(DibErrorHook hook);

// Hands message to the installed hook.
void ReportDibError(std::string_view message);
