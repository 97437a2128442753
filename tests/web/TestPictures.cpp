#include "TestPictures.h"

#include <algorithm>

#include "picture/CameraPixels.h"
#include "picture/Dib.h"
#include "platform/File.h"

#include <cmath>
#include <cstdlib>
#include <turbojpeg.h>

namespace webtest {

std::string MakeJpeg(int width, int height, int seed) {
    std::vector<unsigned char> rgb(static_cast<std::size_t>(width) * height * 3);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            unsigned char* pixel = &rgb[(static_cast<std::size_t>(y) * width + x) * 3];
            pixel[0] = static_cast<unsigned char>((x * 255 / width + seed * 37) % 256);
            pixel[1] = static_cast<unsigned char>((y * 255 / height + seed * 59) % 256);
            pixel[2] = static_cast<unsigned char>(((x / 16 + y / 16) % 2) ? 220 : 30);
        }
    }
    tjhandle encoder = tjInitCompress();
    unsigned char* jpeg = nullptr;
    unsigned long size = 0;
    const int failed = tjCompress2(encoder, rgb.data(), width, 0, height, TJPF_RGB, &jpeg, &size,
                                   TJSAMP_420, 90, 0);
    std::string bytes = failed == 0 ? std::string(reinterpret_cast<char*>(jpeg), size) : "";
    tjFree(jpeg);
    tjDestroy(encoder);
    return bytes;
}

bool WriteGreyBmp(const std::string& path, const GreyPixels& picture) {
    CDib dib(picture.width, picture.height, 8);
    if (dib.CreatePixelSection() == nullptr) {
        return false;
    }
    SetGreyRamp(dib);
    PlaceCameraBytes(dib, 0, picture.values);
    platform::File file;
    return file.Create(path) && dib.WriteBmp(file) && file.Close();
}

GreyPixels MakeGreyPixels(int width, int height) {
    GreyPixels picture{width, height, {}};
    picture.values.resize(static_cast<std::size_t>(width) * height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            // Dark at the top left, bright at the bottom right, with a white
            // block in the top right corner.
            int level = 20 + 200 * (x + y) / (width + height);
            if (y < height / 4 && x > width * 3 / 4) {
                level = 255;
            }
            picture.values[static_cast<std::size_t>(y) * width + x] =
                static_cast<std::uint8_t>(level);
        }
    }
    return picture;
}

GreyPixels DecodeGrey(const std::string& jpeg) {
    GreyPixels picture;
    tjhandle decoder = tjInitDecompress();
    int width = 0;
    int height = 0;
    int subsampling = 0;
    int colourspace = 0;
    const auto* bytes = reinterpret_cast<const unsigned char*>(jpeg.data());
    if (tjDecompressHeader3(decoder, bytes, jpeg.size(), &width, &height, &subsampling,
                            &colourspace) == 0) {
        picture.values.resize(static_cast<std::size_t>(width) * height);
        if (tjDecompress2(decoder, bytes, jpeg.size(), picture.values.data(), width, 0, height,
                          TJPF_GRAY, 0) == 0) {
            picture.width = width;
            picture.height = height;
        } else {
            picture.values.clear();
        }
    }
    tjDestroy(decoder);
    return picture;
}

double MeanDifference(const GreyPixels& a, const GreyPixels& b) {
    if (a.width != b.width || a.height != b.height || a.values.empty() ||
        a.values.size() != b.values.size()) {
        return 1e9;
    }
    double sum = 0;
    for (std::size_t i = 0; i < a.values.size(); ++i) {
        sum += std::abs(int{a.values[i]} - int{b.values[i]});
    }
    return sum / static_cast<double>(a.values.size());
}

GreyPixels Coarse(const GreyPixels& picture, int columns, int rows) {
    GreyPixels coarse{columns, rows, std::vector<std::uint8_t>(std::size_t(columns) * rows)};
    for (int row = 0; row < rows; ++row) {
        for (int column = 0; column < columns; ++column) {
            const int x0 = column * picture.width / columns;
            const int x1 = (column + 1) * picture.width / columns;
            const int y0 = row * picture.height / rows;
            const int y1 = (row + 1) * picture.height / rows;
            long sum = 0;
            for (int y = y0; y < y1; ++y) {
                for (int x = x0; x < x1; ++x) {
                    sum += picture.values[std::size_t(y) * picture.width + x];
                }
            }
            const long count = std::max(1L, long(x1 - x0) * (y1 - y0));
            coarse.values[std::size_t(row) * columns + column] =
                static_cast<std::uint8_t>(sum / count);
        }
    }
    return coarse;
}

} // namespace webtest
