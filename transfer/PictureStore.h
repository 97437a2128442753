#pragma once

#include "PictureKind.h"
#include "RunEvents.h"
#include "picture/Dib.h"
#include "platform/File.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace transfer {

// Creates the file a picture goes into and gives its name; nothing, with the
// system's error in the file, when it could not be created.
using FileClaim = std::function<std::optional<std::string>(platform::File& file)>;

// Where the data of one picture go: a JPEG is appended to the file as it
// arrives; uncompressed 8-bit pixels are collected in a bitmap that is written
// into the file as a BMP file at the end. The file's bytes are kept in memory
// as they are written, so that the picture can be handed on without reading
// its file back. Any write that fails, or pixel memory that cannot be had,
// marks the picture as not stored. A JPEG's bytes reach the file in pieces of
// up to 64 KiB rather than one write per block, which at USB speeds would cost
// more than the receiving itself.
class PictureStore {
public:
    // The largest pixel memory an uncompressed picture may ask for; a damaged
    // or hostile header must not make the receiver allocate gigabytes.
    static constexpr std::uint32_t kMaxPixelBytes = 64u * 1024u * 1024u;

    // Creates the picture's file as claim does it; false when it cannot be
    // created.
    bool Create(const FileClaim& claim, PictureKind kind, std::uint16_t width,
                std::uint16_t height);
    // The file's name, once created.
    const std::string& FileName() const { return fileName; }
    // Stores the next bytes of the picture behind those stored before.
    bool Append(const std::uint8_t* data, std::size_t length);
    // Writes what is held back of a JPEG; false once any write failed.
    bool Flush();
    // Writes the bitmap (for an uncompressed picture) and closes the file.
    // False when anything of the picture did not reach the file.
    bool Finish();
    // Closes the file as it is: what arrived so far, and no bitmap.
    void CloseAsIs();
    // The bytes of the file, once Finish has written it whole; the store
    // keeps none after.
    std::vector<std::uint8_t> TakeFileBytes() { return std::move(fileBytes); }

    // Why the picture is not stored, once anything failed; with the system's
    // words for a file that failed.
    std::optional<FailureCause> Failure() const { return failure; }
    std::string FailureDetail() const;

private:
    void Fail(FailureCause cause);

    static constexpr std::size_t kWritePiece = 64 * 1024;

    bool EnsurePixels();

    platform::File file;
    std::string fileName;
    std::unique_ptr<CDib> bitmap;
    std::vector<std::uint8_t> fileBytes;
    std::size_t written = 0; // of fileBytes
    std::uint64_t stored = 0;
    std::optional<FailureCause> failure;
};

} // namespace transfer
