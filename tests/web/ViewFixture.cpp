#include "ViewFixture.h"

#include "tests/support/ProcessFigures.h"
#include "tests/support/WaitUntil.h"

#include <unistd.h>

#include <filesystem>

namespace webtest {

ViewFixture::ViewFixture(transfer::RunKind mode, web::WebOptions options) : mode(mode) {
    options.listen = {"127.0.0.1", false, 0};
    view = std::make_unique<web::WebView>(
        std::move(options),
        web::RunDescription{"COM1 (/dev/ttyUSB0)", 115200, mode, "2.0.0", "COM1"}, tally);
    startError = view->Start();
}

std::string ViewFixture::PicturePath(std::uint64_t number) const {
    if (mode == transfer::RunKind::Live) {
        return folder / "temp.jpg";
    }
    const std::string digits = std::to_string(number);
    return folder / ("shot" + std::string(8 - std::min<std::size_t>(8, digits.size()), '0') +
                     digits + ".jpg");
}

transfer::PictureStored ViewFixture::StorePicture(std::uint64_t number, const std::string& bytes,
                                                  transfer::PictureKind kind) {
    transfer::PictureStored stored;
    stored.number = number;
    stored.file = PicturePath(number);
    stored.kind = kind;
    stored.bytes = static_cast<std::uint32_t>(bytes.size());
    stored.figures = {static_cast<std::uint32_t>(bytes.size()), std::chrono::milliseconds(100)};
    stored.picture = SharedPicture(number, bytes, kind);
    // Whole or not at all, as the workers write it: renamed into place.
    testsupport::WriteFile(stored.file + ".incoming", bytes);
    std::filesystem::rename(stored.file + ".incoming", stored.file);
    Tell(stored);
    // Shown by the view's own thread a moment later.
    testsupport::WaitUntil([&] {
        const auto shown = view->NewestShown();
        return shown && *shown >= number;
    });
    return stored;
}

std::shared_ptr<const transfer::Picture>
SharedPicture(std::uint64_t number, const std::string& bytes, transfer::PictureKind kind) {
    auto picture = std::make_shared<transfer::Picture>();
    picture->bytes.assign(bytes.begin(), bytes.end());
    picture->kind = kind;
    picture->number = number;
    picture->time = std::chrono::system_clock::now();
    return picture;
}

int OpenDescriptors() {
    return testsupport::FiguresOf(::getpid()).descriptors;
}

int Threads() {
    return testsupport::FiguresOf(::getpid()).threads;
}

} // namespace webtest
