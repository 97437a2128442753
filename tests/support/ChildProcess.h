#pragma once

#include "platform/NoCopy.h"

#include <chrono>
#include <string>
#include <sys/types.h>
#include <vector>

namespace testsupport {

// A program run by a test, its standard output and error collected. A child
// still running when the object goes is killed, so a failed test leaves no
// process behind.
class ChildProcess : private platform::NoCopy {
public:
    explicit ChildProcess(const std::vector<std::string>& args);
    ~ChildProcess();

    bool Started() const { return pid > 0; }
    // The child's process id, for a look at it under /proc.
    pid_t Pid() const { return pid; }
    // The exit status, 128 + the signal that ended it, or -1 if it still runs
    // when the limit has passed.
    int Wait(std::chrono::milliseconds limit);
    // Waits until the standard output holds text; false when the limit passed.
    bool WaitForOutput(const std::string& text, std::chrono::milliseconds limit);
    // The same for the standard error.
    bool WaitForErrors(const std::string& text, std::chrono::milliseconds limit);
    void Signal(int signal);

    const std::string& Output() const { return output; }
    const std::string& Errors() const { return errors; }
    // The standard output line by line, without the line ends.
    std::vector<std::string> OutputLines() const;

private:
    // Moves what the child has written so far into output and errors.
    void Collect();
    bool WaitFor(const std::string& stream, const std::string& text,
                 std::chrono::milliseconds limit);

    pid_t pid = -1;
    int outputPipe = -1;
    int errorPipe = -1;
    int status = -1;
    std::string output;
    std::string errors;
};

} // namespace testsupport
