#pragma once

#include <cstdio>
#include <string>

namespace headless {

// Shows the worker's status text on a stream: on a terminal one line redrawn
// in place, with a bar for the picture in progress; elsewhere (a log file, a
// pipe) one line for every change.
class StatusReporter {
public:
    StatusReporter(std::FILE* stream, bool terminal) : stream(stream), terminal(terminal) {}

    void Show(const std::string& statusText);
    // Ends the line in place, so that what follows starts on a line of its own.
    void Finish();

    // A bar for "Pic WxH, A of B bytes read"; empty for any other text.
    static std::string ProgressBar(const std::string& statusText, int width);

private:
    std::FILE* stream;
    bool terminal;
    std::string last;
    bool lineOpen = false;
};

} // namespace headless
