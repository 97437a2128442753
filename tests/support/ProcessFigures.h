#pragma once

#include <sys/types.h>

namespace testsupport {

// What a process holds at one moment, as /proc tells it; -1 for what could
// not be read.
struct ProcessFigures {
    long rssKiB = -1;
    int descriptors = -1;
    int threads = -1;
};

ProcessFigures FiguresOf(pid_t pid);

} // namespace testsupport
