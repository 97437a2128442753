#include "WebView.h"

#include <variant>

namespace web {

WebView::WebView(WebOptions options, RunDescription run)
    : state(std::move(options), std::move(run)),
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
    if (stopped || !WorthShowing(event)) {
        return;
    }
    state.tally.OnRunEvent(event);
    if (const auto* stored = std::get_if<transfer::PictureStored>(&event)) {
        TakePicture(*stored);
    }
    state.changes.Post(state.changes.Newest().value + 1);
}

bool WebView::WorthShowing(const transfer::RunEvent& event) {
    const auto* progress = std::get_if<transfer::Progress>(&event);
    if (progress == nullptr) {
        return true;
    }
    // A picture's first progress is its start, a change of state.
    const auto now = std::chrono::steady_clock::now();
    if (progress->stored != 0 && now - progressShown < kProgressPeriod) {
        return false;
    }
    progressShown = now;
    return true;
}

void WebView::TakePicture(const transfer::PictureStored& stored) {
    const auto storedAt = std::chrono::system_clock::now();
    const bool live = state.run.mode == RunMode::Live;
    if (!live) {
        state.archive.Add({stored.number, storedAt, stored.file, stored.kind, nullptr});
    }
    // The file holds this picture only until we return (live mode puts the
    // next one in its place), so it is opened now; the open file keeps the
    // picture for the taker's thread, which reads it while the worker goes on.
    auto file = std::make_unique<platform::File>();
    if (!file->OpenForReading(stored.file)) {
        return;
    }
    taker.Submit({stored.number, storedAt, stored.kind, std::move(file)});
}

std::optional<std::uint64_t> WebView::NewestShown() const {
    const auto newest = state.pictures.Newest();
    if (newest.serial == 0 || !newest.value) {
        return std::nullopt;
    }
    return newest.value->number;
}

void WebView::Publish(SharedPicture picture) {
    // The taker's thread publishes one picture after another, in the run's
    // order.
    if (state.run.mode == RunMode::Live) {
        state.archive.Add(
            {picture->number, picture->storedAt, {}, transfer::PictureKind::Jpeg, picture});
    }
    state.pictures.Post(std::move(picture));
}

} // namespace web
