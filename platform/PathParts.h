#pragma once

#include <string>
#include <string_view>

namespace platform {

// A path cut into the four pieces that the program recombines: the drive
// (always empty on this system), the directory with its trailing '/', the file
// name without extension, and the extension with its leading dot.
struct PathParts {
    std::string drive;
    std::string directory;
    std::string name;
    std::string extension;
};

// "/pics/shot.jpg" gives ("", "/pics/", "shot", ".jpg"); "shot" gives
// ("", "", "shot", ""); the extension starts at the last dot of the file name.
PathParts SplitPath(std::string_view path);

// The inverse of SplitPath: a directory without its trailing '/' gets one, an
// extension without its leading dot gets one.
std::string JoinPath(const PathParts& parts);

} // namespace platform
