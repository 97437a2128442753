#include "WindowSystem.h"

#include "platform/ExecutablePath.h"

#include <QString>
#include <cstdio>
#include <cstdlib>

namespace {

bool IsSet(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

bool ChoosesPlatform(const std::vector<std::string>& arguments) {
    for (const std::string& argument : arguments) {
        if (argument == "-platform" || argument == "--platform") {
            return true;
        }
    }
    return false;
}

QtMessageHandler guardedHandler = nullptr;

// Names the window system the program was pointed at, for the message.
std::string ChosenWindowSystem() {
    std::string chosen;
    for (const char* name : {"QT_QPA_PLATFORM", "WAYLAND_DISPLAY", "DISPLAY"}) {
        if (IsSet(name)) {
            chosen += (chosen.empty() ? "" : ", ") + std::string(name) + "=" + std::getenv(name);
        }
    }
    return chosen;
}

// Qt's own warnings before the fatal one say what went wrong in detail; its
// fatal text only advises reinstalling, so the operator gets ours instead.
void EndOnFatalMessage(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type != QtFatalMsg) {
        if (guardedHandler != nullptr) {
            guardedHandler(type, context, text);
        }
        return;
    }
    std::fprintf(stderr,
                 "%s: cannot open a window: the window system did not answer (%s); run with "
                 "--capture or --live without a window, or under xvfb-run\n",
                 platform::ExecutableBaseName().c_str(), ChosenWindowSystem().c_str());
    std::fflush(stderr);
    std::_Exit(1);
}

} // namespace

std::string WhyNoWindowCanOpen(const std::vector<std::string>& arguments) {
    if (IsSet("QT_QPA_PLATFORM") || IsSet("DISPLAY") || IsSet("WAYLAND_DISPLAY") ||
        ChoosesPlatform(arguments)) {
        return {};
    }
    return "cannot open a window: no display (DISPLAY is not set); run with --capture or "
           "--live without a window, or under xvfb-run";
}

void PreferX11WhereOffered(const std::vector<std::string>& arguments) {
    if (IsSet("DISPLAY") && !IsSet("QT_QPA_PLATFORM") && !ChoosesPlatform(arguments)) {
        setenv("QT_QPA_PLATFORM", "xcb", 1);
    }
}

WindowSystemFailureGuard::WindowSystemFailureGuard()
    : previous(qInstallMessageHandler(EndOnFatalMessage)) {
    guardedHandler = previous;
}

WindowSystemFailureGuard::~WindowSystemFailureGuard() {
    qInstallMessageHandler(previous);
    guardedHandler = nullptr;
}
