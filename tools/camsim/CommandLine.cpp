#include "CommandLine.h"

#include "WireFormat.h"

#include <cerrno>
#include <cstdlib>
#include <limits>
#include <type_traits>

namespace camsim {

namespace {

constexpr const char* kUsage =
    "usage: zelnor2-camsim (--link PATH | --device DEV) [OPTION...] PICTURE...\n"
    "\n"
    "Plays the camera on a serial line: announces each picture with the\n"
    "synchronisation pair and the header, sends its blocks with check bytes,\n"
    "waits for the acknowledgements the header asks for and resends a block\n"
    "whose acknowledgement differs from its check byte. One line per picture\n"
    "tells what the camera saw. SIGINT or SIGTERM ends it cleanly.\n"
    "\n"
    "Line:\n"
    "  --link PATH          make a pseudo-terminal pair and link PATH (for example\n"
    "                       $ZELNOR2_PORTS/COM1) to its slave side; removed at the end\n"
    "  --device DEV         use a serial device (a null-modem cable to the port\n"
    "                       under test), set raw to 8N1 at --speed\n"
    "  --speed BITS         line speed in bit/s (default 9600); output is paced at\n"
    "                       BITS/10 bytes a second\n"
    "  --unpaced            write as fast as the line takes the bytes\n"
    "  --hex, --hex-lower   hex-text mode, digits in upper or lower case\n"
    "\n"
    "Pictures (sent in turn):\n"
    "  FILE                 a JPEG file, sent as it is (its size read from the file)\n"
    "  --raw WxH FILE       a file of 8-bit pixels, W by H, sent as kind 0\n"
    "  --count N            pictures to send, going round the files; 0 (the\n"
    "                       default) sends for ever\n"
    "  --pause MS           pause between pictures (default 500)\n"
    "\n"
    "Header:\n"
    "  --block-size N       data bytes per block (default 256); 0: blocks of 100\n"
    "                       without per-block check bytes or acknowledgements\n"
    "  --check-flag N       check bytes: 0 none, other values on (default 1)\n"
    "  --ack-flag N         16-bit; non-zero asks for acknowledgements (default 1;\n"
    "                       0x0100 is non-zero too)\n"
    "  --kind N             picture kind announced for JPEG files (default 1)\n"
    "  --width N, --height N  size announced for JPEG files\n"
    "  --ack-timeout MS     wait for each acknowledgement (default 1000)\n"
    "  --sends N            sends of a rejected block before giving up (default 3)\n"
    "\n"
    "Faults (every picture, or only the one --fault-picture names):\n"
    "  --garbage N          N noise bytes before the synchronisation pair\n"
    "  --bad-sum            a wrong header sum\n"
    "  --bad-xor            a wrong header exclusive-or\n"
    "  --bad-check B[:N]    a wrong check byte on block B (from 0) for its first N\n"
    "                       sends (default 1); may be repeated\n"
    "  --silence B:MS[:AT]  MS milliseconds of silence inside block B, after AT\n"
    "                       of its data bytes (default: the middle)\n"
    "  --cut-short N        stop the picture after N data bytes\n"
    "  --bad-final-check    a wrong final check byte (block size 0 with checks)\n"
    "  --fault-picture N    put the faults into picture N (from 1) only\n"
    "\n"
    "Numbers may be written in decimal or as 0x hexadecimal. Exit status: 0 when\n"
    "the run ended (all pictures sent, or a signal), 1 when the line or a file\n"
    "could not be set up, 64 on a usage mistake.\n";

bool ParseNumber(const std::string& text, unsigned long maximum, unsigned long& value) {
    if (text.empty() || text[0] == '-' || text[0] == '+') {
        return false;
    }
    errno = 0;
    char* end = nullptr;
    const unsigned long parsed = std::strtoul(text.c_str(), &end, 0);
    if (errno != 0 || *end != '\0' || parsed > maximum) {
        return false;
    }
    value = parsed;
    return true;
}

// Splits "A:B:C" into its parts.
std::vector<std::string> SplitColons(const std::string& text) {
    std::vector<std::string> parts;
    std::string::size_type start = 0;
    for (;;) {
        const std::string::size_type colon = text.find(':', start);
        parts.push_back(text.substr(start, colon - start));
        if (colon == std::string::npos) {
            return parts;
        }
        start = colon + 1;
    }
}

bool ParseSize(const std::string& text, PictureFile& file) {
    const std::string::size_type x = text.find_first_of("xX");
    unsigned long width = 0;
    unsigned long height = 0;
    if (x == std::string::npos || !ParseNumber(text.substr(0, x), 0xFFFF, width) ||
        !ParseNumber(text.substr(x + 1), 0xFFFF, height)) {
        return false;
    }
    file.width = static_cast<std::uint16_t>(width);
    file.height = static_cast<std::uint16_t>(height);
    return true;
}

// Walks the arguments, handing out option values.
class Arguments {
public:
    explicit Arguments(const std::vector<std::string>& args) : args(args) {}

    bool Done() const { return next >= args.size(); }
    const std::string& Take() { return args[next++]; }
    bool TakeValue(const std::string& option, std::string& value, std::string& error) {
        if (Done()) {
            error = option + " needs a value";
            return false;
        }
        value = Take();
        return true;
    }
    bool TakeNumber(const std::string& option, unsigned long maximum, unsigned long& value,
                    std::string& error) {
        std::string text;
        if (!TakeValue(option, text, error)) {
            return false;
        }
        if (!ParseNumber(text, maximum, value)) {
            error = option + " wants a number up to " + std::to_string(maximum) + ", not \"" +
                    text + "\"";
            return false;
        }
        return true;
    }

private:
    const std::vector<std::string>& args;
    std::size_t next = 0;
};

bool ParseBadCheck(const std::string& text, Faults& faults) {
    const std::vector<std::string> parts = SplitColons(text);
    unsigned long block = 0;
    unsigned long sends = 1;
    if (parts.size() > 2 || !ParseNumber(parts[0], UINT32_MAX, block) ||
        (parts.size() == 2 && (!ParseNumber(parts[1], 1000, sends) || sends == 0))) {
        return false;
    }
    faults.wrongCheckSends[static_cast<std::uint32_t>(block)] = static_cast<int>(sends);
    return true;
}

bool ParseSilence(const std::string& text, Settings& settings) {
    const std::vector<std::string> parts = SplitColons(text);
    unsigned long block = 0;
    unsigned long milliseconds = 0;
    unsigned long after = 0;
    if (parts.size() < 2 || parts.size() > 3 || !ParseNumber(parts[0], UINT32_MAX, block) ||
        !ParseNumber(parts[1], 3'600'000, milliseconds) ||
        (parts.size() == 3 && !ParseNumber(parts[2], UINT32_MAX, after))) {
        return false;
    }
    settings.faults.silence =
        Silence{static_cast<std::uint32_t>(block), static_cast<std::uint32_t>(after),
                static_cast<int>(milliseconds)};
    settings.silenceInMiddle = parts.size() == 2;
    return true;
}

bool ParseOption(const std::string& option, Arguments& arguments, Settings& settings,
                 std::string& error) {
    unsigned long number = 0;
    std::string text;
    auto numberInto = [&](auto& field, unsigned long maximum) {
        if (!arguments.TakeNumber(option, maximum, number, error)) {
            return false;
        }
        field = static_cast<std::remove_reference_t<decltype(field)>>(number);
        return true;
    };
    if (option == "--help" || option == "-h") {
        settings.help = true;
        return true;
    }
    if (option == "--link") {
        return arguments.TakeValue(option, settings.linkPath, error);
    }
    if (option == "--device") {
        return arguments.TakeValue(option, settings.devicePath, error);
    }
    if (option == "--speed") {
        if (!numberInto(settings.speed, 100'000'000) || settings.speed == 0) {
            error = error.empty() ? "--speed must be positive" : error;
            return false;
        }
        return true;
    }
    if (option == "--unpaced") {
        settings.paced = false;
        return true;
    }
    if (option == "--hex" || option == "--hex-lower") {
        settings.encoding = option == "--hex" ? Encoding::HexUpper : Encoding::HexLower;
        return true;
    }
    if (option == "--raw") {
        PictureFile file;
        file.raw = true;
        if (!arguments.TakeValue(option, text, error)) {
            return false;
        }
        if (!ParseSize(text, file)) {
            error = "--raw wants a size WxH, not \"" + text + "\"";
            return false;
        }
        if (!arguments.TakeValue(option, file.path, error)) {
            error = "--raw needs a size and a file";
            return false;
        }
        settings.files.push_back(file);
        return true;
    }
    if (option == "--count") {
        return numberInto(settings.count, std::numeric_limits<unsigned long>::max());
    }
    if (option == "--pause") {
        return numberInto(settings.pauseMs, 3'600'000);
    }
    if (option == "--block-size") {
        return numberInto(settings.blockSize, 0xFFFF);
    }
    if (option == "--check-flag") {
        return numberInto(settings.checkFlag, 0xFF);
    }
    if (option == "--ack-flag") {
        return numberInto(settings.ackFlag, 0xFFFF);
    }
    if (option == "--kind") {
        return numberInto(settings.kind, 0xFF);
    }
    if (option == "--width" || option == "--height") {
        if (!arguments.TakeNumber(option, 0xFFFF, number, error)) {
            return false;
        }
        (option == "--width" ? settings.width : settings.height) =
            static_cast<std::uint16_t>(number);
        return true;
    }
    if (option == "--ack-timeout") {
        return numberInto(settings.ackTimeoutMs, 3'600'000);
    }
    if (option == "--sends") {
        if (!numberInto(settings.maxSends, 1000) || settings.maxSends == 0) {
            error = error.empty() ? "--sends must be at least 1" : error;
            return false;
        }
        return true;
    }
    if (option == "--garbage") {
        if (!arguments.TakeNumber(option, 1'000'000, number, error)) {
            return false;
        }
        settings.faults.garbage = NoiseBytes(number);
        return true;
    }
    if (option == "--bad-sum") {
        settings.faults.wrongHeaderSum = true;
        return true;
    }
    if (option == "--bad-xor") {
        settings.faults.wrongHeaderXor = true;
        return true;
    }
    if (option == "--bad-check") {
        if (!arguments.TakeValue(option, text, error)) {
            return false;
        }
        if (!ParseBadCheck(text, settings.faults)) {
            error = "--bad-check wants BLOCK or BLOCK:SENDS, not \"" + text + "\"";
            return false;
        }
        return true;
    }
    if (option == "--silence") {
        if (!arguments.TakeValue(option, text, error)) {
            return false;
        }
        if (!ParseSilence(text, settings)) {
            error = "--silence wants BLOCK:MS or BLOCK:MS:AT, not \"" + text + "\"";
            return false;
        }
        return true;
    }
    if (option == "--cut-short") {
        if (!arguments.TakeNumber(option, UINT32_MAX, number, error)) {
            return false;
        }
        settings.faults.cutShortAfter = static_cast<std::uint32_t>(number);
        return true;
    }
    if (option == "--bad-final-check") {
        settings.faults.wrongFinalCheck = true;
        return true;
    }
    if (option == "--fault-picture") {
        return numberInto(settings.faultPicture, std::numeric_limits<unsigned long>::max());
    }
    error = "unknown option " + option;
    return false;
}

} // namespace

bool ParseCommandLine(const std::vector<std::string>& args, Settings& settings,
                      std::string& error) {
    Arguments arguments(args);
    while (!arguments.Done()) {
        const std::string& argument = arguments.Take();
        if (argument.size() > 1 && argument[0] == '-') {
            if (!ParseOption(argument, arguments, settings, error)) {
                return false;
            }
        } else {
            settings.files.push_back(PictureFile{argument});
        }
    }
    if (settings.help) {
        return true;
    }
    if (settings.linkPath.empty() == settings.devicePath.empty()) {
        error = "give either --link PATH or --device DEV";
        return false;
    }
    if (settings.files.empty()) {
        error = "no picture to send";
        return false;
    }
    return true;
}

const char* UsageText() {
    return kUsage;
}

} // namespace camsim
