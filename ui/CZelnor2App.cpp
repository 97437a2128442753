#include "CZelnor2App.h"

#include "ApplicationName.h"
#include "CAboutBoxDlg.h"
#include "CZelnor2Dlg.h"
#include "ClientOptions.h"
#include "TerminationSignals.h"
#include "WindowSystem.h"
#include "headless/HeadlessOptions.h"
#include "headless/HeadlessRun.h"
#include "platform/ExecutablePath.h"
#include "platform/OrganisationName.h"

#include <QApplication>
#include <QIcon>
#include <QSettings>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

std::atomic<bool> startedForClient{false};

char fallbackProgramName[] = "Zelnor2";

} // namespace

CZelnor2App::CZelnor2App() = default;

CZelnor2App::~CZelnor2App() {
    startedForClient = false;
}

bool CZelnor2App::StartedForClient() {
    return startedForClient;
}

void CZelnor2App::ConnectMainDialog(CZelnor2Dlg& dialog) {
    QObject::connect(&dialog, &CZelnor2Dlg::aboutRequested, &dialog, [&dialog] {
        CAboutBoxDlg about(&dialog);
        about.exec();
    });
}

int CZelnor2App::Run(int argc, char** argv) {
    // The client options go first, so that neither the program without a
    // window nor Qt ever sees them.
    ClientStart start =
        RecogniseClientOptions(std::vector<std::string>(argv + 1, argv + std::max(argc, 1)));
    startedForClient = start.forClient;

    // The program without a window is settled before any Qt object exists,
    // so that it works on machines without a display.
    if (headless::WantsHeadless(start.arguments)) {
        return headless::RunCommandLine(start.arguments);
    }
    const std::string noWindow = WhyNoWindowCanOpen(start.arguments);
    if (!noWindow.empty()) {
        std::fprintf(stderr, "%s: %s\n", platform::ExecutableBaseName().c_str(), noWindow.c_str());
        return 1;
    }

    PreferX11WhereOffered(start.arguments);

    // Qt keeps argc and argv for the life of the application object.
    std::vector<char*> remaining;
    remaining.push_back(argc > 0 && argv[0] != nullptr ? argv[0] : fallbackProgramName);
    for (std::string& argument : start.arguments) {
        remaining.push_back(argument.data());
    }
    remaining.push_back(nullptr);
    int remainingCount = static_cast<int>(remaining.size()) - 1;
    return RunDialog(remainingCount, remaining.data());
}

int CZelnor2App::RunDialog(int argc, char** argv) {
    std::unique_ptr<QApplication> application;
    {
        const WindowSystemFailureGuard guard;
        application = std::make_unique<QApplication>(argc, argv);
    }
    // The settings location: <config folder>/Zelnor/<application name>.ini.
    QCoreApplication::setOrganizationName(platform::kOrganisationName);
    QCoreApplication::setApplicationName(ApplicationName());
    QSettings::setDefaultFormat(QSettings::IniFormat);
    // The camera the menu entry shows, on every window; the entry's name lets
    // a Wayland compositor link the windows to it.
    QIcon icon;
    for (const char* size : {"48", "64", "128"}) {
        icon.addFile(QString(":/zelnor2/icon-%1.png").arg(size));
    }
    QApplication::setWindowIcon(icon);
    QGuiApplication::setDesktopFileName("zelnor2");

    CZelnor2Dlg dialog;
    ConnectMainDialog(dialog);
    const TerminationSignals endOnSignal([&dialog] { EndLikeExit(dialog); });
    dialog.exec();
    return 0;
}
