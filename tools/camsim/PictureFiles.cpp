#include "PictureFiles.h"

#include "JpegSize.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>

namespace camsim {

bool LoadPicture(const PictureFile& file, const Settings& settings, OutgoingPicture& picture,
                 std::string& error, std::string& warning) {
    std::ifstream stream(file.path, std::ios::binary);
    if (!stream) {
        error = "cannot read " + file.path + ": " + std::strerror(errno);
        return false;
    }
    picture.data.assign(std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>());
    if (stream.bad()) {
        error = "cannot read " + file.path;
        return false;
    }
    if (picture.data.size() > UINT32_MAX) {
        error = file.path + " is larger than a header can announce";
        return false;
    }
    if (file.raw) {
        picture.kind = 0;
        picture.width = file.width;
        picture.height = file.height;
        if (picture.data.size() != std::size_t{file.width} * file.height) {
            warning = file.path + " holds " + std::to_string(picture.data.size()) + " bytes, not " +
                      std::to_string(std::size_t{file.width} * file.height);
        }
    } else {
        picture.kind = settings.kind;
        const std::optional<PictureSize> declared = JpegSize(picture.data);
        if (!(settings.width && settings.height) && !declared) {
            error = "cannot find the size of " + file.path + "; give --width and --height";
            return false;
        }
        picture.width = settings.width ? *settings.width : declared->width;
        picture.height = settings.height ? *settings.height : declared->height;
    }
    picture.blockSize = settings.blockSize;
    picture.checkFlag = settings.checkFlag;
    picture.ackFlag = settings.ackFlag;
    picture.encoding = settings.encoding;
    return true;
}

} // namespace camsim
