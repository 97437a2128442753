#include "ProcessFigures.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace testsupport {

ProcessFigures FiguresOf(pid_t pid) {
    ProcessFigures figures;
    const std::string folder = "/proc/" + std::to_string(pid);
    std::ifstream status(folder + "/status");
    for (std::string line; std::getline(status, line);) {
        std::istringstream fields(line);
        std::string key;
        fields >> key;
        if (key == "VmRSS:") {
            fields >> figures.rssKiB;
        } else if (key == "Threads:") {
            fields >> figures.threads;
        }
    }
    std::error_code error;
    figures.descriptors = 0;
    for (std::filesystem::directory_iterator entry(folder + "/fd", error), end;
         !error && entry != end; entry.increment(error)) {
        ++figures.descriptors;
    }
    if (error) {
        figures.descriptors = -1;
    }
    return figures;
}

} // namespace testsupport
