#include "CameraPictogram.h"

#include <algorithm>
#include <cmath>
#include <functional>

namespace {

struct Point {
    double x = 0;
    double y = 0;
};

struct Shape {
    std::function<bool(Point)> contains;
    Rgba colour;
};

constexpr Rgba kBody{0x3C, 0x4A, 0x57, 0xFF};
constexpr Rgba kBand{0x2B, 0x35, 0x40, 0xFF};
constexpr Rgba kShutter{0xC0, 0x39, 0x2B, 0xFF};
constexpr Rgba kLensRing{0xC9, 0xD1, 0xD9, 0xFF};
constexpr Rgba kLensBarrel{0x23, 0x30, 0x3D, 0xFF};
constexpr Rgba kGlass{0x3F, 0x6E, 0x9A, 0xFF};
constexpr Rgba kGlint{0xDC, 0xEB, 0xF8, 0xFF};
constexpr Rgba kLinkLight{0x4C, 0xD9, 0x64, 0xFF};
constexpr Rgba kCable{0x2E, 0x6D, 0xB4, 0xFF};
constexpr Rgba kPlugShell{0x8A, 0x96, 0xA3, 0xFF};
constexpr Rgba kPlugFace{0x3B, 0x46, 0x52, 0xFF};
constexpr Rgba kPin{0xD9, 0xC3, 0x6A, 0xFF};

std::function<bool(Point)> Disc(Point centre, double radius) {
    return [=](Point p) {
        const double dx = p.x - centre.x;
        const double dy = p.y - centre.y;
        return dx * dx + dy * dy <= radius * radius;
    };
}

std::function<bool(Point)> RoundedRect(double left, double top, double right, double bottom,
                                       double radius) {
    return [=](Point p) {
        if (p.x < left || p.x > right || p.y < top || p.y > bottom) {
            return false;
        }
        const double cx = std::clamp(p.x, left + radius, right - radius);
        const double cy = std::clamp(p.y, top + radius, bottom - radius);
        const double dx = p.x - cx;
        const double dy = p.y - cy;
        return dx * dx + dy * dy <= radius * radius;
    };
}

// A line of the given width through the points, with round joints and ends.
std::function<bool(Point)> Stroke(std::vector<Point> points, double width) {
    return [points = std::move(points), half = width / 2](Point p) {
        for (std::size_t i = 1; i < points.size(); ++i) {
            const Point a = points[i - 1];
            const Point b = points[i];
            const double vx = b.x - a.x;
            const double vy = b.y - a.y;
            const double length2 = vx * vx + vy * vy;
            const double t =
                length2 == 0
                    ? 0
                    : std::clamp(((p.x - a.x) * vx + (p.y - a.y) * vy) / length2, 0.0, 1.0);
            const double dx = p.x - (a.x + t * vx);
            const double dy = p.y - (a.y + t * vy);
            if (dx * dx + dy * dy <= half * half) {
                return true;
            }
        }
        return false;
    };
}

// A trapezoid with horizontal top and bottom edges, as a plug's shell is.
std::function<bool(Point)> Trapezoid(double top, double topLeft, double topRight, double bottom,
                                     double bottomLeft, double bottomRight) {
    return [=](Point p) {
        if (p.y < top || p.y > bottom) {
            return false;
        }
        const double t = (p.y - top) / (bottom - top);
        return p.x >= topLeft + t * (bottomLeft - topLeft) &&
               p.x <= topRight + t * (bottomRight - topRight);
    };
}

// Back to front: the cable runs behind the body.
const std::vector<Shape>& Scene() {
    static const std::vector<Shape> scene = {
        {Stroke({{60, 46}, {78, 46}, {83, 48}, {86, 52}, {86, 58}}, 4), kCable},
        {RoundedRect(83.5, 54, 88.5, 59, 1), kCable},
        {Trapezoid(58, 78, 94, 70, 80.5, 91.5), kPlugShell},
        {Trapezoid(60.5, 80.5, 91.5, 67.5, 82.5, 89.5), kPlugFace},
        {Disc({83, 63.5}, 1), kPin},
        {Disc({86, 63.5}, 1), kPin},
        {Disc({89, 63.5}, 1), kPin},
        {RoundedRect(16, 12, 32, 24, 2), kBody},
        {RoundedRect(51, 14.5, 62, 22, 1.5), kShutter},
        {RoundedRect(6, 20, 70, 62, 6), kBody},
        {RoundedRect(6, 28, 70, 32, 0), kBand},
        {Disc({38, 42}, 17), kLensRing},
        {Disc({38, 42}, 13), kLensBarrel},
        {Disc({38, 42}, 8.5), kGlass},
        {Disc({34.5, 38.5}, 3), kGlint},
        {Disc({62, 37}, 2.2), kLinkLight},
    };
    return scene;
}

constexpr int kSamples = 4; // per axis and pixel

} // namespace

std::vector<Rgba> PictogramColours() {
    return {kPictogramBackground, kBody,     kBand,  kShutter,   kLensRing,
            kLensBarrel,          kGlass,    kGlint, kLinkLight, kCable,
            kPlugShell,           kPlugFace, kPin};
}

RgbaImage RenderCameraPictogram(int width, int height, bool opaque) {
    RgbaImage image;
    image.width = std::max(width, 0);
    image.height = std::max(height, 0);
    image.pixels.resize(static_cast<std::size_t>(image.width) * image.height);
    const double scale = std::min(static_cast<double>(image.width) / kPictogramWidth,
                                  static_cast<double>(image.height) / kPictogramHeight);
    if (scale <= 0) {
        return image;
    }
    const double offsetX = (image.width - kPictogramWidth * scale) / 2;
    const double offsetY = (image.height - kPictogramHeight * scale) / 2;
    const Rgba empty = opaque ? kPictogramBackground : Rgba{};
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            // Colours are summed weighted by their alpha, so that smoothed
            // edges over a transparent background keep the shape's colour.
            double red = 0, green = 0, blue = 0, alpha = 0;
            for (int sy = 0; sy < kSamples; ++sy) {
                for (int sx = 0; sx < kSamples; ++sx) {
                    const Point at{(x + (sx + 0.5) / kSamples - offsetX) / scale,
                                   (y + (sy + 0.5) / kSamples - offsetY) / scale};
                    Rgba colour = empty;
                    for (const Shape& shape : Scene()) {
                        if (shape.contains(at)) {
                            colour = shape.colour;
                        }
                    }
                    red += colour.red * colour.alpha;
                    green += colour.green * colour.alpha;
                    blue += colour.blue * colour.alpha;
                    alpha += colour.alpha;
                }
            }
            Rgba& pixel = image.pixels[static_cast<std::size_t>(y) * image.width + x];
            if (alpha > 0) {
                pixel.red = static_cast<std::uint8_t>(std::lround(red / alpha));
                pixel.green = static_cast<std::uint8_t>(std::lround(green / alpha));
                pixel.blue = static_cast<std::uint8_t>(std::lround(blue / alpha));
                pixel.alpha = static_cast<std::uint8_t>(std::lround(alpha / (kSamples * kSamples)));
            }
        }
    }
    return image;
}
