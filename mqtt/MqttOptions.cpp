#include "MqttOptions.h"

#include "platform/FileBytes.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace mqtt {

bool IsPublishableTopic(const std::string& text) {
    return !text.empty() && std::none_of(text.begin(), text.end(), [](char c) {
        return c == '+' || c == '#' || static_cast<unsigned char>(c) < 0x20 || c == 0x7f;
    });
}

std::string LoadPasswordFile(const std::string& path, std::string& password) {
    // A password file is a line; anything much larger is not one.
    constexpr std::size_t kLargestPasswordFile = 64 * 1024;
    errno = 0;
    const auto bytes = platform::ReadFileBytes(path, kLargestPasswordFile);
    if (!bytes) {
        return path + ": " + (errno != 0 ? std::strerror(errno) : "not a password file");
    }
    const auto end = std::find_if(bytes->begin(), bytes->end(),
                                  [](std::uint8_t c) { return c == '\n' || c == '\r'; });
    password.assign(bytes->begin(), end);
    if (password.empty()) {
        return path + ": the first line holds no password";
    }
    return "";
}

} // namespace mqtt
