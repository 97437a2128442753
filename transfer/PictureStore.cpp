#include "PictureStore.h"

#include "picture/CameraPixels.h"

#include <cstring>
#include <new>

namespace transfer {

void PictureStore::Fail(FailureCause cause) {
    if (!failure) {
        failure = cause;
    }
}

std::string PictureStore::FailureDetail() const {
    return file.Error() != 0 ? std::strerror(file.Error()) : std::string();
}

bool PictureStore::Create(const FileClaim& claim, PictureKind kind, std::uint16_t width,
                          std::uint16_t height) {
    std::optional<std::string> created = claim(file);
    if (!created) {
        Fail(FailureCause::FileNotCreated);
        return false;
    }
    fileName = std::move(*created);
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
        Fail(FailureCause::PixelMemoryRefused);
        return false;
    }
    return true;
}

bool PictureStore::Append(const std::uint8_t* data, std::size_t length) {
    if (failure) {
        return false;
    }
    if (!bitmap) {
        fileBytes.insert(fileBytes.end(), data, data + length);
        return fileBytes.size() - written < kWritePiece || Flush();
    }
    if (!EnsurePixels()) {
        return false;
    }
    PlaceCameraBytes(*bitmap, stored, {data, length});
    stored += length;
    return true;
}

bool PictureStore::Flush() {
    if (!failure && written < fileBytes.size() &&
        !file.Write(fileBytes.data() + written, fileBytes.size() - written)) {
        Fail(FailureCause::WriteFailed);
    }
    written = fileBytes.size();
    return !failure;
}

bool PictureStore::Finish() {
    Flush();
    if (bitmap && !failure) {
        // A picture without data still becomes a whole (black) BMP file.
        if (EnsurePixels()) {
            try {
                fileBytes = bitmap->BmpFileBytes();
            } catch (const std::bad_alloc&) {
                Fail(FailureCause::PixelMemoryRefused);
            }
            bitmap.reset();
            if (!failure && !file.Write(fileBytes.data(), fileBytes.size())) {
                Fail(FailureCause::BitmapNotWritten);
            }
        }
    }
    bitmap.reset();
    if (!file.Close()) {
        Fail(FailureCause::WriteFailed);
    }
    return !failure;
}

void PictureStore::CloseAsIs() {
    Flush();
    bitmap.reset();
    file.Close();
}

} // namespace transfer
