#pragma once

#include <string>

namespace platform {

// Full path of the running executable as it was at the first call (the
// program calls it at start-up), or an empty string when the system cannot
// tell it.
std::string ExecutablePath();

// Folder of the running executable, ending in '/'; empty when unknown.
std::string ExecutableFolder();

// The executable's file name without its extension ("Zelnor2" for
// /usr/bin/Zelnor2, "Cam" for /opt/Cam.bin).
std::string ExecutableBaseName();

} // namespace platform
