#pragma once

#include "HeadlessOptions.h"
#include "mqtt/BrokerFeed.h"
#include "web/WebView.h"

#include <memory>
#include <optional>

namespace headless {

// The broker feed that --mqtt asks for, started before the serial port is
// touched: its password and TLS files read once, its first connection on
// its way. A broker that does not answer does not stop the run; the
// journal says once when the broker is lost and once when it is back, and
// view (when there is one) shows it. Why not when the feed cannot
// be had: 64 for a file or setting that cannot be used. feed stays empty
// without --mqtt.
std::optional<Refusal> StartBrokerFeed(const HeadlessOptions& options, const char* program,
                                       web::WebView* view,
                                       const transfer::PictureRetention* retention,
                                       std::unique_ptr<mqtt::BrokerFeed>& feed);

} // namespace headless
