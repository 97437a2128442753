#include "WebView.h"

#include "platform/FileBytes.h"

#include <variant>

namespace web {

WebView::WebView(WebOptions options, RunDescription run, const transfer::RunTally& tally,
                 const transfer::PictureRetention* retention)
    : state(std::move(options), std::move(run), tally, retention),
      taker(state.options.jpegQuality, [this](SharedPicture picture) { Publish(picture); }) {}

WebView::~WebView() {
    Stop();
}

std::string WebView::Start() {
    return server.Start(state.options, site);
}

void WebView::Stop() {
    stopped = true;
    // Streaming bodies end first, so that their threads can be joined.
    state.pictures.Close();
    state.changes.Close();
    server.Stop();
    taker.Stop();
}

void WebView::OnRunEvent(const transfer::RunEvent& event) {
    if (stopped) {
        return;
    }
    if (const auto* stored = std::get_if<transfer::PictureStored>(&event)) {
        TakePicture(*stored);
    }
    state.changes.Post(state.changes.Newest().value + 1);
}

void WebView::TakePicture(const transfer::PictureStored& stored) {
    const auto storedAt = std::chrono::system_clock::now();
    const bool live = state.run.kind == transfer::RunKind::Live;
    if (!live) {
        state.archive.Add({stored.number, storedAt, stored.file, stored.kind, nullptr});
    }
    // The file holds this picture only until we return (live mode puts the
    // next one in its place), so it is opened now. A JPEG is read at once:
    // a file of the page cache, well under a millisecond. An uncompressed
    // picture (up to 64 MiB of pixels) is read and made JPEG by the taker's
    // thread from the open file, which keeps the picture while the worker
    // goes on.
    auto file = std::make_unique<platform::File>();
    if (!file->OpenForReading(stored.file)) {
        return;
    }
    if (stored.kind == transfer::PictureKind::UncompressedPixels) {
        taker.Submit({stored.number, storedAt, std::move(file)});
        return;
    }
    if (auto bytes = platform::ReadFileBytes(*file, platform::kLargestPictureFile);
        bytes && !bytes->empty()) {
        Publish(std::make_shared<const ViewPicture>(
            ViewPicture{stored.number, storedAt, std::move(*bytes)}));
    }
}

void WebView::ShowBrokerConnected(bool connected) {
    state.brokerConnected = connected ? 1 : 0;
    state.changes.Post(state.changes.Newest().value + 1);
}

std::optional<std::uint64_t> WebView::NewestShown() const {
    const auto newest = state.pictures.Newest();
    if (newest.serial == 0 || !newest.value) {
        return std::nullopt;
    }
    return newest.value->number;
}

void WebView::Publish(SharedPicture picture) {
    std::lock_guard guard(publishing);
    // A grey picture comes from the taker after a newer JPEG picture may
    // have gone out already; viewers never step back to an older one.
    if (picture->number < published) {
        return;
    }
    published = picture->number;
    if (state.run.kind == transfer::RunKind::Live) {
        state.archive.Add(
            {picture->number, picture->storedAt, {}, transfer::PictureKind::Jpeg, picture});
    }
    state.pictures.Post(std::move(picture));
}

} // namespace web
