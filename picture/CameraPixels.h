#pragma once

#include "picture/Dib.h"

#include <cstdint>
#include <span>

// A camera's uncompressed picture comes as one grey level per pixel, width
// bytes a row, top row first. A BMP file keeps its rows bottom-up, each padded
// to a multiple of 4 bytes, so the bytes cannot simply follow each other in
// the pixel memory: the picture would stand on its head, and any width that is
// not a multiple of 4 would shear it.

// Makes the pixel values of an 8-bit bitmap read as grey levels: colour-table
// entry i becomes i, i, i.
void SetGreyRamp(CDib& dib);

// Places bytes that continue the camera's picture, the first of them at
// arrival offset at, into the pixel memory of an 8-bit bitmap so that the
// picture stands upright: camera row r goes to bitmap row height-1-r. Bytes
// beyond width x height are dropped; a bitmap without pixel memory takes none.
void PlaceCameraBytes(CDib& dib, std::uint64_t at, std::span<const std::uint8_t> bytes);
