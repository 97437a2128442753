#include "WebView.h"

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
    // In capture a viewer's /pictures/N reads the numbered file when asked;
    // live mode keeps the JPEG bytes, since its one file is replaced.
    if (state.run.kind != transfer::RunKind::Live) {
        state.archive.Add({stored.number, stored.picture->time, stored.file, stored.kind, nullptr});
    }
    taker.Submit(stored.picture);
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

// On the taker's thread, the one that publishes, in the order of the run.
void WebView::Publish(SharedPicture picture) {
    if (state.run.kind == transfer::RunKind::Live) {
        state.archive.Add(
            {picture->number, picture->storedAt, {}, transfer::PictureKind::Jpeg, picture});
    }
    state.pictures.Post(std::move(picture));
}

} // namespace web
