#include "ImagingReader.h"

#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace testsupport {

namespace {

// Runs a script on the file and returns what it printed.
std::string RunScript(const std::string& python, const std::string& script,
                      const std::string& path) {
    const std::string command = python + " -c '" + script + "' '" + path + "' 2>&1";
    std::string output;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        std::size_t got = 0;
        while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
            output.append(buffer, got);
        }
        pclose(pipe);
    }
    return output;
}

// Prints mode, width and height, then every pixel, row by row from the top.
const char* const kDumpScript = R"(
import sys
from PIL import Image
image = Image.open(sys.argv[1])
image.load()
print(image.mode, image.size[0], image.size[1])
for y in range(image.size[1]):
    for x in range(image.size[0]):
        value = image.getpixel((x, y))
        if isinstance(value, tuple):
            print(" ".join(str(v) for v in value))
        else:
            print(value)
)";

} // namespace

std::string FindPythonWithImaging() {
    // The distribution's interpreter first: a python3 earlier on PATH (a
    // user's own installation) may not see the distribution's packages.
    std::vector<std::string> candidates = {"/usr/bin/python3", "python3"};
    if (const char* chosen = std::getenv("ZELNOR2_TEST_PYTHON")) {
        candidates = {chosen};
    }
    for (const std::string& candidate : candidates) {
        const std::string probe = candidate + " -c 'import PIL.Image' >/dev/null 2>&1";
        if (std::system(probe.c_str()) == 0) {
            return candidate;
        }
    }
    return {};
}

ForeignView ReadWithImaging(const std::string& python, const std::string& path) {
    ForeignView view;
    view.printed = RunScript(python, kDumpScript, path);
    std::istringstream output(view.printed);
    output >> view.mode >> view.width >> view.height;
    for (int value = 0; output >> value;) {
        view.values.push_back(value);
    }
    return view;
}

} // namespace testsupport
