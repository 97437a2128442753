#pragma once

#include "HeadlessOptions.h"
#include "transfer/PictureRetention.h"
#include "web/WebView.h"

#include <memory>
#include <optional>

namespace headless {

// The browser view that --http asks for, serving before the serial port is
// touched: its users and certificate files read once, its address bound.
// Why not when it cannot be had: 64 for a users or certificate file
// that cannot be used, 1 for an address that cannot be bound. view stays
// empty without --http. retention, when there is one, must outlive the view.
std::optional<Refusal> StartBrowserView(const HeadlessOptions& options, const char* program,
                                        const transfer::RunTally& tally,
                                        const transfer::PictureRetention* retention,
                                        std::unique_ptr<web::WebView>& view);

} // namespace headless
