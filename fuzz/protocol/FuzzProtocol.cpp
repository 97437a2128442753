// Feeds arbitrary bytes to PictureTransfer as what a camera sends, and holds
// every call against a plain second reading of the protocol over an identical
// line: the same reads asked in the same order, the same answers, the same
// result with its cause, the same events told and the same file.
//
// Input: four bytes of line script (see LineScript), one byte of options, then
// the bytes on the line. Options: bit 0, the file's folder is missing, so the
// open fails; bit 1, a file of that name exists before every call; bits 2-3,
// the receiver is called up to 1 + that many times, as a worker would.

#include "FuzzTempDir.h"
#include "LinePort.h"
#include "ReferenceReceiver.h"
#include "ScriptedLine.h"
#include "tests/support/RunRecorder.h"
#include "transfer/EventWords.h"
#include "transfer/PictureTransfer.h"
#include "transfer/WorkerContext.h"
#include "transfer/WorkerRun.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace {

using fuzzprotocol::Expected;

constexpr std::size_t kInputHead = fuzzprotocol::LineScript::kSize + 1;
constexpr std::uint8_t kOpenFails = 0x01;
constexpr std::uint8_t kFileBefore = 0x02;
constexpr const char* kEarlierContents = "a picture of an earlier call";
constexpr std::size_t kBmpHeaders = 14 + 40 + 256 * 4;

void Require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "protocol fuzzer: %s\n", what);
        __builtin_trap();
    }
}

// The per-process folder: the pictures go into a folder of their own, so that
// anything else appearing there is a file the receiver had no business making.
struct Place {
    std::string pictures;
    std::string picture;
    std::string unopenable;
};

const Place& ThePlace() {
    static const Place place = [] {
        const auto& dir = fuzzsupport::ProcessTempDir::Get();
        Place made;
        made.pictures = dir / "pictures";
        made.picture = made.pictures + "/picture";
        made.unopenable = made.pictures + "/missing/picture";
        std::filesystem::create_directory(made.pictures);
        return made;
    }();
    return place;
}

std::optional<std::vector<std::uint8_t>> Contents(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return std::nullopt;
    }
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(file),
                                     std::istreambuf_iterator<char>());
}

std::uint32_t Le32(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 |
           static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}

void CheckBitmapFile(const std::vector<std::uint8_t>& file, const Expected& expected) {
    const std::uint64_t imageSize = fuzzprotocol::BitmapRowBytes(expected.width) * expected.height;
    Require(file.size() == kBmpHeaders + imageSize, "the BMP file has the wrong size");
    Require(file[0] == 'B' && file[1] == 'M', "the BMP file has no signature");
    Require(Le32(file, 10) == kBmpHeaders, "the BMP pixels are not behind the colour table");
    Require(Le32(file, 18) == expected.width && Le32(file, 22) == expected.height,
            "the BMP file has the wrong size in pixels");
    Require(file[28] == 8 && file[29] == 0, "the BMP file is not 8 bits per pixel");
    // A grey ramp, and the camera's rows (top row first, width bytes each)
    // upright in the file's bottom-up padded rows; what is beyond the picture
    // dropped, black where nothing arrived.
    for (std::uint32_t i = 0; i < 256; ++i) {
        const std::size_t entry = kBmpHeaders - 1024 + 4 * i;
        Require(file[entry] == i && file[entry + 1] == i && file[entry + 2] == i &&
                    file[entry + 3] == 0,
                "the BMP colour table is no grey ramp");
    }
    const std::uint64_t rowBytes = fuzzprotocol::BitmapRowBytes(expected.width);
    for (std::uint64_t fileRow = 0; fileRow < expected.height; ++fileRow) {
        const std::uint64_t cameraRow = expected.height - 1 - fileRow;
        for (std::uint64_t x = 0; x < rowBytes; ++x) {
            const std::uint64_t sent = cameraRow * expected.width + x;
            const std::uint8_t want =
                x < expected.width && sent < expected.data.size() ? expected.data[sent] : 0;
            Require(file[kBmpHeaders + fileRow * rowBytes + x] == want,
                    "a BMP pixel differs from the data sent");
        }
    }
}

void CheckFile(const std::string& path, const Expected& expected, bool fileBefore) {
    const auto contents = Contents(path);
    switch (expected.file) {
    case Expected::File::Untouched:
        if (fileBefore) {
            const std::string earlier(kEarlierContents);
            Require(contents &&
                        std::vector<std::uint8_t>(earlier.begin(), earlier.end()) == *contents,
                    "a call that never opened the file changed it");
        } else {
            Require(!contents, "a call that never opened the file made one");
        }
        return;
    case Expected::File::Absent:
        Require(!contents, "the file of a failed picture is still there");
        return;
    case Expected::File::LeftAsWritten:
        Require(contents.has_value(), "the file left as written is missing");
        if (expected.bitmap) {
            Require(contents->empty(), "an unfinished BMP file is not empty");
        } else {
            Require(*contents == expected.data, "the file left as written has other bytes");
        }
        return;
    case Expected::File::Kept:
        Require(contents.has_value(), "the file of a complete picture is missing");
        if (expected.bitmap) {
            CheckBitmapFile(*contents, expected);
        } else {
            Require(*contents == expected.data, "the JPEG file differs from the data sent");
        }
        return;
    }
}

// Nothing but the one file the receiver was given may appear.
void CheckNoOtherFile(const Place& place) {
    for (const auto& entry : std::filesystem::directory_iterator(place.pictures)) {
        Require(entry.path() == place.picture, "the receiver wrote a file it was not given");
    }
}

void PrintEvents(const char* who, const std::vector<fuzzprotocol::LineEvent>& events) {
    std::fprintf(stderr, "%s:", who);
    for (const auto& event : events) {
        const char* kind = event.kind == fuzzprotocol::LineEvent::Kind::Read    ? "R"
                           : event.kind == fuzzprotocol::LineEvent::Kind::Write ? "W"
                                                                                : "C";
        std::fprintf(stderr, " %s%u/%u", kind, event.asked, event.done);
        for (const std::uint8_t b : event.bytes) {
            std::fprintf(stderr, ":%02x", b);
        }
    }
    std::fprintf(stderr, "\n");
}

void PrepareFile(const std::string& path, bool fileBefore) {
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
    if (fileBefore) {
        std::ofstream file(path, std::ios::binary);
        file << kEarlierContents;
        file.close();
        Require(static_cast<bool>(file), "cannot write the earlier file");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const Place& place = ThePlace();
    // Tells what each call did, to see what a seed reaches.
    static const bool verbose = std::getenv("ZELNOR2_FUZZ_VERBOSE") != nullptr;
    if (size < kInputHead) {
        return 0;
    }
    const auto script = fuzzprotocol::LineScript::From(
        std::span<const std::uint8_t, fuzzprotocol::LineScript::kSize>(
            data, data + fuzzprotocol::LineScript::kSize));
    const std::uint8_t options = data[fuzzprotocol::LineScript::kSize];
    const std::span<const std::uint8_t> stream(data + kInputHead, size - kInputHead);
    const bool openFails = (options & kOpenFails) != 0;
    const bool fileBefore = !openFails && (options & kFileBefore) != 0;
    const int calls = 1 + ((options >> 2) & 3);
    const std::string& fileName = openFails ? place.unopenable : place.picture;

    fuzzprotocol::ScriptedLine real(script, stream);
    fuzzprotocol::ScriptedLine model(script, stream);
    WorkerContext context;
    std::stop_source stop;
    testsupport::RunRecorder told;
    const WorkerRun run{context, stop.get_token(), told};
    LinePort port(real, stop);
    for (int call = 0; call < calls && !real.StopRaised(); ++call) {
        PrepareFile(place.picture, fileBefore);
        told.Clear();
        const transfer::TransferResult result = PictureTransfer(run, port, fileName);
        const Expected expected = fuzzprotocol::ReferenceReceive(model, !openFails);

        if (verbose && real.Events() != model.Events()) {
            PrintEvents("receiver", real.Events());
            PrintEvents("protocol", model.Events());
        }
        Require(real.Events() == model.Events(),
                "the receiver read or answered other than the protocol asks");
        Require(real.Consumed() == model.Consumed(), "the receiver took other bytes");
        Require(result.outcome == expected.outcome, "the receiver's result is wrong");
        Require(!expected.why || result.why == *expected.why, "the failure has the wrong cause");
        Require(!result.Stored() || expected.data.size() == expected.dataSize,
                "a picture counts as complete without all its data");
        Require(result.outcome == transfer::TransferResult::Outcome::NoPicture ||
                    result.figures.payloadBytes == expected.data.size(),
                "the bytes received are counted wrong");
        Require(told.Events() == expected.events, "the receiver told other events");
        CheckFile(place.picture, expected, fileBefore);
        CheckNoOtherFile(place);
        if (verbose) {
            const auto events = told.Events();
            std::fprintf(stderr, "call %d: outcome %d, %zu bytes taken, %zu events, the last %s\n",
                         call + 1, static_cast<int>(result.outcome), real.Consumed(), events.size(),
                         events.empty() ? "none"
                                        : std::string(transfer::EventName(events.back())).c_str());
        }
    }
    std::error_code ignored;
    std::filesystem::remove(place.picture, ignored);
    return 0;
}
