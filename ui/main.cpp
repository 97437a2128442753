#include "CZelnor2App.h"
#include "platform/ExecutablePath.h"

int main(int argc, char** argv) {
    // Taken now, before an upgrade can replace the program file.
    platform::ExecutablePath();
    // The one application object of the process; the current language's name
    // and the connect semaphore live in their own libraries and need nothing
    // from here.
    CZelnor2App application;
    return application.Run(argc, argv);
}
