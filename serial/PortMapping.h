#pragma once

#include <string>

namespace serial {

// Makes COM n of the ports folder stand for device: the entry becomes a
// symbolic link to it, the folder being created if need be. An existing
// entry is replaced in one step, so that a program opening the port at the
// same moment finds either the old or the new link. The device need not
// exist (an adapter that is unplugged). Returns 0 or the errno of the step
// that failed.
int MapPort(int n, const std::string& device);

} // namespace serial
