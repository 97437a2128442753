#pragma once

namespace transfer {

// What the data of a picture are, as its header announces them: pixels that
// the receiver turns into a BMP file, or a JPEG file stored as it arrives.
enum class PictureKind { UncompressedPixels, Jpeg };

} // namespace transfer
