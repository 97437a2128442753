#include "LineSettings.h"

#include <cctype>
#include <limits>
#include <vector>

namespace {

std::string_view Trimmed(std::string_view field) {
    while (!field.empty() && std::isblank(static_cast<unsigned char>(field.front()))) {
        field.remove_prefix(1);
    }
    while (!field.empty() && std::isblank(static_cast<unsigned char>(field.back()))) {
        field.remove_suffix(1);
    }
    return field;
}

std::vector<std::string_view> Fields(std::string_view text) {
    std::vector<std::string_view> fields;
    for (;;) {
        const auto comma = text.find(',');
        fields.push_back(Trimmed(text.substr(0, comma)));
        if (comma == std::string_view::npos) {
            return fields;
        }
        text.remove_prefix(comma + 1);
    }
}

bool ParseSpeed(std::string_view field, std::int32_t& speed) {
    if (field.empty()) {
        return false;
    }
    std::int64_t value = 0;
    for (const char c : field) {
        if (c < '0' || c > '9') {
            return false;
        }
        value = value * 10 + (c - '0');
        if (value > std::numeric_limits<std::int32_t>::max()) {
            return false;
        }
    }
    if (value <= 0) {
        return false;
    }
    speed = static_cast<std::int32_t>(value);
    return true;
}

bool ParseParity(std::string_view field, LineSettings::Parity& parity) {
    if (field.size() != 1) {
        return false;
    }
    switch (std::tolower(static_cast<unsigned char>(field[0]))) {
    case 'n':
        parity = LineSettings::Parity::None;
        return true;
    case 'e':
        parity = LineSettings::Parity::Even;
        return true;
    case 'o':
        parity = LineSettings::Parity::Odd;
        return true;
    case 'm':
        parity = LineSettings::Parity::Mark;
        return true;
    case 's':
        parity = LineSettings::Parity::Space;
        return true;
    default:
        return false;
    }
}

bool ParseDataBits(std::string_view field, std::uint8_t& dataBits) {
    if (field.size() != 1 || field[0] < '5' || field[0] > '8') {
        return false;
    }
    dataBits = static_cast<std::uint8_t>(field[0] - '0');
    return true;
}

bool ParseStopBits(std::string_view field, LineSettings::StopBits& stopBits) {
    if (field == "1") {
        stopBits = LineSettings::StopBits::One;
    } else if (field == "1.5") {
        stopBits = LineSettings::StopBits::OneAndHalf;
    } else if (field == "2") {
        stopBits = LineSettings::StopBits::Two;
    } else {
        return false;
    }
    return true;
}

bool ParseFlow(std::string_view field, LineSettings& settings) {
    if (field.size() != 1) {
        return false;
    }
    switch (std::tolower(static_cast<unsigned char>(field[0]))) {
    case 'x':
        settings.xonXoff = true;
        return true;
    case 'p':
        settings.rtsCts = true;
        return true;
    default:
        return false;
    }
}

} // namespace

bool ParseLineSettings(std::string_view text, LineSettings& settings) {
    const auto fields = Fields(text);
    if (fields.size() != 4 && fields.size() != 5) {
        return false;
    }
    LineSettings parsed;
    if (!ParseSpeed(fields[0], parsed.speed) || !ParseParity(fields[1], parsed.parity) ||
        !ParseDataBits(fields[2], parsed.dataBits) || !ParseStopBits(fields[3], parsed.stopBits)) {
        return false;
    }
    // A UART sends 1.5 stop bits only with 5-bit characters, and 2 stop bits
    // only with longer ones: the other pairings cannot be set up at all.
    const bool fiveBits = parsed.dataBits == 5;
    if ((parsed.stopBits == LineSettings::StopBits::OneAndHalf && !fiveBits) ||
        (parsed.stopBits == LineSettings::StopBits::Two && fiveBits)) {
        return false;
    }
    if (fields.size() == 5 && !ParseFlow(fields[4], parsed)) {
        return false;
    }
    settings = parsed;
    return true;
}
