#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace webtest {

// A picture of smooth gradients and a few hard edges, different for each
// seed, encoded as JPEG with TurboJPEG: a stand-in for a camera's JPEG.
std::string MakeJpeg(int width, int height, int seed);

// Grey levels of a camera picture, top row first, width bytes a row.
struct GreyPixels {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> values;
};

// Writes the camera picture to path as the transfer does: the project's own
// bitmap with a grey ramp and the camera's rows placed upright.
bool WriteGreyBmp(const std::string& path, const GreyPixels& picture);

// A picture whose top differs from its bottom and whose left differs from
// its right, so that a picture turned over or mirrored does not pass.
GreyPixels MakeGreyPixels(int width, int height);

// A JPEG decoded to grey levels, top row first; empty when it does not
// decode.
GreyPixels DecodeGrey(const std::string& jpeg);

// Mean of |a - b| over all values, in grey levels; a large number when the
// sizes differ.
double MeanDifference(const GreyPixels& a, const GreyPixels& b);

// Block means over a coarse grid of columns x rows: a browser's scaling and a
// screenshot's JPEG change single pixels, not the picture.
GreyPixels Coarse(const GreyPixels& picture, int columns, int rows);

} // namespace webtest
