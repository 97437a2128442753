#pragma once

#include "platform/NoCopy.h"

class CZelnor2Dlg;

// The application object: one per process, made first in main. Its start
// routine settles the command line (the client options, then the program
// without a window), creates the Qt application, names the settings location
// and runs the main dialog modally; the program ends when the dialog ends.
class CZelnor2App : private platform::NoCopy {
public:
    CZelnor2App();
    ~CZelnor2App();

    // The start routine; returns the process's exit status.
    int Run(int argc, char** argv);

    // Whether the command line carried "Embedding" or "Automation": the
    // program was started for a client. Nothing on this platform serves such
    // a client, so the mark only tells; the dialog runs for the operator
    // either way.
    static bool StartedForClient();

    // What the application gives the main dialog besides its own work: the
    // About item opens the about box modally.
    static void ConnectMainDialog(CZelnor2Dlg& dialog);

private:
    int RunDialog(int argc, char** argv);
};
