#include "WebView.h"

#include "FileBytes.h"

#include <variant>

namespace web {

namespace {

// Beyond the 64 MiB the transfer allows an uncompressed picture's pixels.
constexpr std::size_t kLargestPictureFile = 80u * 1024 * 1024;

} // namespace

WebView::WebView(WebOptions options, RunDescription run)
    : state(std::move(options), std::move(run)),
      encoder(state.options.jpegQuality, [this](SharedPicture picture) { Publish(picture); }) {}

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
    encoder.Stop();
}

void WebView::OnRunEvent(const transfer::RunEvent& event) {
    if (stopped) {
        return;
    }
    state.tally.OnRunEvent(event);
    if (const auto* stored = std::get_if<transfer::PictureStored>(&event)) {
        TakePicture(*stored);
    }
    state.changes.Post(state.changes.Newest().value + 1);
}

void WebView::TakePicture(const transfer::PictureStored& stored) {
    const auto storedAt = std::chrono::system_clock::now();
    const bool live = state.run.mode == RunMode::Live;
    if (!live) {
        state.archive.Add({stored.number, storedAt, stored.file, stored.kind, nullptr});
    }
    // The file holds this picture only until we return (live mode writes the
    // next one over it), so its bytes are taken now.
    auto bytes = ReadFileBytes(stored.file, kLargestPictureFile);
    if (!bytes || bytes->empty()) {
        return;
    }
    if (stored.kind == transfer::PictureKind::UncompressedPixels) {
        encoder.Submit({stored.number, storedAt, std::move(*bytes)});
        return;
    }
    Publish(std::make_shared<const ViewPicture>(
        ViewPicture{stored.number, storedAt, std::move(*bytes)}));
}

void WebView::Publish(SharedPicture picture) {
    std::lock_guard guard(publishing);
    // A grey picture comes from the encoder after a newer JPEG picture may
    // have gone out already; viewers never step back to an older one.
    if (picture->number < published) {
        return;
    }
    published = picture->number;
    if (state.run.mode == RunMode::Live) {
        state.archive.Add(
            {picture->number, picture->storedAt, {}, transfer::PictureKind::Jpeg, picture});
    }
    state.pictures.Post(std::move(picture));
}

} // namespace web
