// Writes the program's pictures into a folder at build time: the about box's
// 96 x 77 bitmap of 256 colours (about-camera.bmp) and the desktop icons
// (icon-48.png, icon-64.png, icon-128.png), all from the same drawing.
#include "CameraPictogram.h"
#include "picture/Dib.h"
#include "platform/File.h"

#include <QImage>
#include <QString>
#include <cstdio>
#include <limits>
#include <string>

namespace {

// The drawing's own colours first, then a colour cube and a grey ramp for the
// smoothed edges between them.
std::vector<Rgba> Palette() {
    std::vector<Rgba> palette = PictogramColours();
    for (int r = 0; r < 6; ++r) {
        for (int g = 0; g < 6; ++g) {
            for (int b = 0; b < 6; ++b) {
                palette.push_back({static_cast<std::uint8_t>(r * 51),
                                   static_cast<std::uint8_t>(g * 51),
                                   static_cast<std::uint8_t>(b * 51), 0xFF});
            }
        }
    }
    const int greys = 256 - static_cast<int>(palette.size());
    for (int i = 0; i < greys; ++i) {
        const auto level = static_cast<std::uint8_t>((i + 1) * 255 / (greys + 1));
        palette.push_back({level, level, level, 0xFF});
    }
    return palette;
}

std::uint8_t Nearest(const std::vector<Rgba>& palette, Rgba colour) {
    int best = 0;
    int bestDistance = std::numeric_limits<int>::max();
    for (int i = 0; i < static_cast<int>(palette.size()); ++i) {
        const int dr = palette[i].red - colour.red;
        const int dg = palette[i].green - colour.green;
        const int db = palette[i].blue - colour.blue;
        const int distance = dr * dr + dg * dg + db * db;
        if (distance < bestDistance) {
            best = i;
            bestDistance = distance;
        }
    }
    return static_cast<std::uint8_t>(best);
}

bool WriteAboutBitmap(const std::string& path) {
    const RgbaImage drawing = RenderCameraPictogram(kPictogramWidth, kPictogramHeight, true);
    const std::vector<Rgba> palette = Palette();
    CDib bitmap(kPictogramWidth, kPictogramHeight, 8);
    std::uint8_t* pixels = bitmap.CreatePixelSection();
    if (pixels == nullptr || bitmap.ColorTable().size() != palette.size()) {
        return false;
    }
    for (std::size_t i = 0; i < palette.size(); ++i) {
        RgbQuad& entry = bitmap.ColorTable()[i];
        entry.rgbRed = palette[i].red;
        entry.rgbGreen = palette[i].green;
        entry.rgbBlue = palette[i].blue;
    }
    const std::size_t stride = (kPictogramWidth + 3) / 4 * 4;
    for (int y = 0; y < kPictogramHeight; ++y) {
        // Rows are stored bottom-up.
        std::uint8_t* row = pixels + static_cast<std::size_t>(kPictogramHeight - 1 - y) * stride;
        for (int x = 0; x < kPictogramWidth; ++x) {
            row[x] = Nearest(palette, drawing.At(x, y));
        }
    }
    platform::File file;
    return file.Create(path) && bitmap.WriteBmp(file) && file.Close();
}

bool WriteIcon(const std::string& path, int size) {
    const RgbaImage drawing = RenderCameraPictogram(size, size, false);
    QImage icon(size, size, QImage::Format_ARGB32);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const Rgba pixel = drawing.At(x, y);
            icon.setPixel(x, y, qRgba(pixel.red, pixel.green, pixel.blue, pixel.alpha));
        }
    }
    return icon.save(QString::fromStdString(path), "PNG");
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    const std::string folder = std::string(argv[1]) + "/";
    if (!WriteAboutBitmap(folder + "about-camera.bmp")) {
        std::fprintf(stderr, "%s: cannot write %sabout-camera.bmp\n", argv[0], folder.c_str());
        return 1;
    }
    for (const int size : {48, 64, 128}) {
        const std::string path = folder + "icon-" + std::to_string(size) + ".png";
        if (!WriteIcon(path, size)) {
            std::fprintf(stderr, "%s: cannot write %s\n", argv[0], path.c_str());
            return 1;
        }
    }
    return 0;
}
