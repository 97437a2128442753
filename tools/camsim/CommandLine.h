#pragma once

#include "OutgoingPicture.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace camsim {

// A picture file named on the command line: a JPEG file sent as it is, or a
// file of 8-bit pixels of a given size.
struct PictureFile {
    std::string path;
    bool raw = false;
    std::uint16_t width = 0;
    std::uint16_t height = 0;
};

// What the program was asked to do.
struct Settings {
    bool help = false;
    std::string linkPath;
    std::string devicePath;
    std::vector<PictureFile> files;
    long speed = 9600;
    bool paced = true;
    Encoding encoding = Encoding::Binary;
    std::uint16_t blockSize = 256;
    std::uint8_t checkFlag = 1;
    std::uint16_t ackFlag = 1;
    // The kind announced for JPEG files (raw files are always 0).
    std::uint8_t kind = 1;
    // Announced size of JPEG files instead of the one the file declares.
    std::optional<std::uint16_t> width;
    std::optional<std::uint16_t> height;
    // Pictures to send; 0 sends for ever, going round the files.
    unsigned long count = 0;
    unsigned long pauseMs = 500;
    unsigned long ackTimeoutMs = 1000;
    int maxSends = 3;
    Faults faults;
    // Silence inside a block without an explicit position falls in its middle.
    bool silenceInMiddle = false;
    // The faults go into this picture only (counted from 1); 0: every one.
    unsigned long faultPicture = 0;
};

// Reads the arguments (without the program name). False with error set on a
// usage mistake.
bool ParseCommandLine(const std::vector<std::string>& args, Settings& settings, std::string& error);

const char* UsageText();

} // namespace camsim
