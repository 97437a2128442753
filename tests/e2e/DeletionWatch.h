#pragma once

#include "platform/NoCopy.h"

#include <chrono>
#include <set>
#include <string>

namespace faultmatrix {

// The names deleted from a folder since the watch began, as the kernel
// queues them: a file is seen to go however briefly it existed, and however
// late the test looks.
class DeletionWatch : private platform::NoCopy {
public:
    explicit DeletionWatch(const std::string& folder);
    ~DeletionWatch();

    bool Watching() const { return watch >= 0; }
    // Waits until the entry name has been deleted; false when the limit passed.
    bool WaitFor(const std::string& name, std::chrono::milliseconds limit);

private:
    void Collect();

    int queue = -1;
    int watch = -1;
    std::set<std::string> deleted;
};

} // namespace faultmatrix
