#pragma once

#include "HttpServer.h"
#include "PictureTaker.h"
#include "Site.h"
#include "ViewState.h"
#include "WebOptions.h"
#include "platform/NoCopy.h"

#include "transfer/RunListener.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace web {

// The browser view of a run: one more listener of the run's events, and an
// HTTP server that shows the newest picture, the run's state and its recent
// pictures to any number of viewers. The worker's events are taken in without
// ever waiting for a viewer: each picture, shared with the event, is handed
// to a thread of the view's own that makes an uncompressed one JPEG and
// publishes them all in their order.
//
// Start it before the run, add it to the run's listeners, and Stop it (or let
// it go) after the run has ended; it may also outlive the run, showing its
// end.
class WebView final : public transfer::RunListener, private platform::NoCopy {
public:
    // tally is the run's: among its listeners before the view, so that the
    // state the view shows holds each event it is told of. It and
    // retention, when given, must outlive the view.
    WebView(WebOptions options, RunDescription run, const transfer::RunTally& tally,
            const transfer::PictureRetention* retention = nullptr);
    ~WebView() override;

    // Binds the address and starts serving. An error text ("127.0.0.1:8080:
    // Address already in use") when it could not; empty on success.
    std::string Start();
    // Ends every connection and thread; the run's events are ignored after.
    void Stop();

    // The port listened on, also when the options let the system choose.
    std::uint16_t Port() const { return server.Port(); }

    // The number of the picture viewers get now, once there is one: the
    // pictures a run tells of are shown a moment later, by the view's own
    // thread.
    std::optional<std::uint64_t> NewestShown() const;

    void OnRunEvent(const transfer::RunEvent& event) override;

    // Tells viewers whether the run's broker is connected now; from any
    // thread.
    void ShowBrokerConnected(bool connected);

private:
    void TakePicture(const transfer::PictureStored& stored);
    void Publish(SharedPicture picture);

    std::atomic<bool> stopped{false};
    ViewState state;
    Site site{state};
    PictureTaker taker;
    HttpServer server;
};

} // namespace web
