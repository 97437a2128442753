#include "Startup.h"
#include "headless/HeadlessOptions.h"
#include "headless/HeadlessRun.h"
#include "platform/ExecutablePath.h"

#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    // The options of the program without a window are settled before any Qt
    // object exists, so that they work on machines without a display.
    if (headless::WantsHeadless(arguments)) {
        const std::string program = platform::ExecutableBaseName();
        const headless::ParseResult parsed = headless::ParseHeadlessOptions(arguments);
        if (!parsed.error.empty()) {
            std::fprintf(stderr, "%s: %s\n%s", program.c_str(), parsed.error.c_str(),
                         headless::UsageText(program).c_str());
            return headless::kExitUsage;
        }
        return headless::RunHeadless(parsed.options, program);
    }
    return RunApplication(argc, argv);
}
