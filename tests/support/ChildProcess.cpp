#include "ChildProcess.h"
#include "WaitUntil.h"

#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace testsupport {

namespace {

void ReadAvailable(int fd, std::string& into) {
    char buffer[4096];
    ssize_t got = 0;
    while (fd >= 0 && (got = ::read(fd, buffer, sizeof buffer)) > 0) {
        into.append(buffer, static_cast<std::size_t>(got));
    }
}

} // namespace

ChildProcess::ChildProcess(const std::vector<std::string>& args) {
    int out[2];
    int err[2];
    if (::pipe2(out, O_CLOEXEC) != 0) {
        return;
    }
    if (::pipe2(err, O_CLOEXEC) != 0) {
        ::close(out[0]);
        ::close(out[1]);
        return;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
    std::vector<char*> argv;
    for (const std::string& arg : args) {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);
    if (::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
        pid = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    ::close(err[1]);
    outputPipe = out[0];
    errorPipe = err[0];
    ::fcntl(outputPipe, F_SETFL, O_NONBLOCK);
    ::fcntl(errorPipe, F_SETFL, O_NONBLOCK);
}

ChildProcess::~ChildProcess() {
    if (pid > 0 && status < 0) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
    }
    if (outputPipe >= 0) {
        ::close(outputPipe);
    }
    if (errorPipe >= 0) {
        ::close(errorPipe);
    }
}

void ChildProcess::Collect() {
    ReadAvailable(outputPipe, output);
    ReadAvailable(errorPipe, errors);
}

int ChildProcess::Wait(std::chrono::milliseconds limit) {
    const bool ended = WaitUntil(
        [&] {
            if (pid <= 0 || status >= 0) {
                return true;
            }
            // The pipes are emptied as the child goes, or a chatty one would
            // block on a full pipe and never end.
            Collect();
            int raw = 0;
            if (::waitpid(pid, &raw, WNOHANG) != pid) {
                return false;
            }
            status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
            return true;
        },
        limit);
    if (!ended) {
        return -1;
    }
    Collect();
    return status;
}

bool ChildProcess::WaitForOutput(const std::string& text, std::chrono::milliseconds limit) {
    return WaitFor(output, text, limit);
}

bool ChildProcess::WaitForErrors(const std::string& text, std::chrono::milliseconds limit) {
    return WaitFor(errors, text, limit);
}

bool ChildProcess::WaitFor(const std::string& stream, const std::string& text,
                           std::chrono::milliseconds limit) {
    return WaitUntil(
        [&] {
            Collect();
            return stream.find(text) != std::string::npos;
        },
        limit);
}

void ChildProcess::Signal(int signal) {
    if (pid > 0 && status < 0) {
        ::kill(pid, signal);
    }
}

std::vector<std::string> ChildProcess::OutputLines() const {
    std::vector<std::string> lines;
    std::istringstream stream(output);
    for (std::string line; std::getline(stream, line);) {
        lines.push_back(line);
    }
    return lines;
}

} // namespace testsupport
