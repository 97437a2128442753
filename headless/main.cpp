// The program of a build without the window (for servers and small boards):
// every option of the command line, and a clear word when the window is
// asked for.
#include "HeadlessOptions.h"
#include "HeadlessRun.h"
#include "platform/ExecutablePath.h"

#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    // Taken now, before an upgrade can replace the program file.
    platform::ExecutablePath();
    const std::vector<std::string> arguments(argv + 1, argv + (argc > 1 ? argc : 1));
    if (!headless::WantsHeadless(arguments)) {
        std::fprintf(stderr, "%s: this build has no window; see --help\n",
                     platform::ExecutableBaseName().c_str());
        return headless::kExitUsage;
    }
    return headless::RunCommandLine(arguments);
}
