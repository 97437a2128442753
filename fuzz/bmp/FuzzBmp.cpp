// Feeds arbitrary bytes to CDib::ReadBmp as a file. A file that is read must
// also survive being written and read again unchanged.

#include "picture/Dib.h"
#include "platform/File.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

namespace {

// An anonymous in-memory file with the given bytes; -1 on failure.
int MemoryFile(const std::uint8_t* data, std::size_t size) {
    const int descriptor = memfd_create("bmp", MFD_CLOEXEC);
    if (descriptor < 0) {
        return -1;
    }
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = write(descriptor, data + done, size - done);
        if (n <= 0) {
            close(descriptor);
            return -1;
        }
        done += static_cast<std::size_t>(n);
    }
    return descriptor;
}

std::string PathOf(int descriptor) {
    return "/proc/self/fd/" + std::to_string(descriptor);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const int input = MemoryFile(data, size);
    if (input < 0) {
        std::abort();
    }
    CDib dib;
    platform::File file;
    bool read = file.OpenForReading(PathOf(input)) && dib.ReadBmp(file);
    file.Close();
    close(input);
    if (!read) {
        if (dib.pixels != nullptr || dib.imageSize != 0 || dib.InfoHeader() != nullptr) {
            std::abort(); // a refusal must leave the bitmap empty
        }
        return 0;
    }
    if (dib.pixels == nullptr || dib.imageSize > size) {
        std::abort();
    }
    // Touch every byte, so that the address sanitizer sees the whole extent.
    const std::uint8_t* pixels = dib.pixels;
    volatile std::uint8_t sum = 0;
    for (std::uint32_t i = 0; i < dib.imageSize; ++i) {
        sum = static_cast<std::uint8_t>(sum + pixels[i]);
    }

    const int output = MemoryFile(nullptr, 0);
    platform::File out;
    if (output < 0 || !out.Create(PathOf(output)) || !dib.WriteBmp(out) || !out.Close()) {
        std::abort();
    }
    CDib again;
    platform::File in;
    if (!in.OpenForReading(PathOf(output)) || !again.ReadBmp(in)) {
        std::abort();
    }
    close(output);
    const std::uint8_t* copy = again.pixels;
    if (again.imageSize != dib.imageSize || again.colorCount != dib.colorCount ||
        !std::equal(pixels, pixels + dib.imageSize, copy)) {
        std::abort();
    }
    return 0;
}
