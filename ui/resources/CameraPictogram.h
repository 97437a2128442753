#pragma once

#include <cstdint>
#include <vector>

// The program's picture: a camera with its serial cable and plug, drawn from
// a few shapes on a 96 x 77 design, so that it can be made at any size (the
// about box's bitmap, the desktop icons).

struct Rgba {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    std::uint8_t alpha = 0;

    bool operator==(const Rgba&) const = default;
};

struct RgbaImage {
    int width = 0;
    int height = 0;
    std::vector<Rgba> pixels; // rows top-down

    Rgba At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

inline constexpr int kPictogramWidth = 96;
inline constexpr int kPictogramHeight = 77;

// The colour behind the drawing in the about box's bitmap: the light grey of
// a dialog.
inline constexpr Rgba kPictogramBackground{0xEF, 0xEF, 0xEF, 0xFF};

// Every colour the drawing uses, background included.
std::vector<Rgba> PictogramColours();

// Draws the pictogram scaled to fit width x height, centred, edges smoothed.
// With opaque the rest is kPictogramBackground; otherwise it is transparent.
RgbaImage RenderCameraPictogram(int width, int height, bool opaque);
