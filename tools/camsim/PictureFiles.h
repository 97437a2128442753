#pragma once

#include "CommandLine.h"
#include "OutgoingPicture.h"

#include <string>

namespace camsim {

// Reads a picture file named on the command line and announces it with the
// header options of settings (faults not included). A JPEG file takes its
// size from the file unless settings give one. False with error set when the
// file cannot be read or its size cannot be told; warning is set for a raw
// file whose length is not width times height (it is sent all the same).
bool LoadPicture(const PictureFile& file, const Settings& settings, OutgoingPicture& picture,
                 std::string& error, std::string& warning);

} // namespace camsim
