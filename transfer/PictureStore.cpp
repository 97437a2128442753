#include "PictureStore.h"

#include "picture/CameraPixels.h"

namespace transfer {

bool PictureStore::Create(const std::string& fileName, PictureKind kind, std::uint16_t width,
                          std::uint16_t height) {
    if (!file.Create(fileName)) {
        return false;
    }
    if (kind == PictureKind::UncompressedPixels) {
        bitmap = std::make_unique<CDib>(width, height, 8);
        SetGreyRamp(*bitmap);
    }
    return true;
}

bool PictureStore::EnsurePixels() {
    if (bitmap->pixels != nullptr) {
        return true;
    }
    if (bitmap->imageSize > kMaxPixelBytes || bitmap->CreatePixelSection() == nullptr) {
        failed = true;
        return false;
    }
    return true;
}

bool PictureStore::Append(const std::uint8_t* data, std::size_t length) {
    if (failed) {
        return false;
    }
    if (!bitmap) {
        pending.insert(pending.end(), data, data + length);
        return pending.size() < kWritePiece || Flush();
    }
    if (!EnsurePixels()) {
        return false;
    }
    PlaceCameraBytes(*bitmap, stored, {data, length});
    stored += length;
    return true;
}

bool PictureStore::Flush() {
    if (!failed && !pending.empty()) {
        failed = !file.Write(pending.data(), pending.size());
    }
    pending.clear();
    return !failed;
}

bool PictureStore::Finish() {
    Flush();
    if (bitmap && !failed) {
        // A picture without data still becomes a whole (black) BMP file.
        if (EnsurePixels() && !bitmap->WriteBmp(file)) {
            failed = true;
        }
    }
    bitmap.reset();
    if (!file.Close()) {
        failed = true;
    }
    return !failed;
}

void PictureStore::CloseAsIs() {
    Flush();
    bitmap.reset();
    file.Close();
}

} // namespace transfer
