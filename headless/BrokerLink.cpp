#include "BrokerLink.h"

#include "RunIdentity.h"

#include <atomic>
#include <cstdio>
#include <memory>

namespace headless {

std::optional<int> StartBrokerFeed(const HeadlessOptions& options, const char* program,
                                   web::WebView* view, const transfer::PictureRetention* retention,
                                   std::unique_ptr<mqtt::BrokerFeed>& feed) {
    if (!options.publishMqtt) {
        return std::nullopt;
    }
    mqtt::MqttOptions settings = options.mqtt.client;
    if (!options.mqtt.passwordFile.empty()) {
        if (const std::string error =
                mqtt::LoadPasswordFile(options.mqtt.passwordFile, settings.password);
            !error.empty()) {
            std::fprintf(stderr, "%s: %s\n", program, error.c_str());
            return kExitUsage;
        }
    }
    const runstate::RunDescription run = DescribeRun(options);
    if (settings.topicPrefix.empty()) {
        settings.topicPrefix = "zelnor2/" + run.name;
    }
    if (!mqtt::IsPublishableTopic(settings.topicPrefix)) {
        std::fprintf(stderr, "%s: the camera's name '%s' cannot stand in a topic; give --name\n",
                     program, run.name.c_str());
        return kExitUsage;
    }
    if (!options.mqtt.discovery) {
        settings.discoveryPrefix.clear();
    }
    const std::string broker = mqtt::DescribeBroker(settings.broker);
    const std::string prefix = settings.topicPrefix;
    // Whether the broker was connected once, for a connection to be told as
    // its return; the network thread and, at first, the one that connects
    // tell.
    auto wasConnected = std::make_shared<std::atomic<bool>>(false);
    auto changed = [program, broker, view, wasConnected](mqtt::BrokerFeed::Link link,
                                                         const std::string& why) {
        if (link == mqtt::BrokerFeed::Link::Connected) {
            std::fprintf(stderr, "%s: the MQTT broker %s is %s\n", program, broker.c_str(),
                         wasConnected->exchange(true) ? "back" : "connected");
        } else {
            std::fprintf(stderr,
                         "%s: warning: the MQTT broker %s is %s (%s); the camera goes on and "
                         "the broker is tried again\n",
                         program, broker.c_str(), wasConnected->load() ? "lost" : "not reached",
                         why.c_str());
        }
        if (view != nullptr) {
            view->ShowBrokerConnected(link == mqtt::BrokerFeed::Link::Connected);
        }
    };
    feed =
        std::make_unique<mqtt::BrokerFeed>(std::move(settings), run, std::move(changed), retention);
    if (view != nullptr) {
        view->ShowBrokerConnected(false);
    }
    if (const std::string error = feed->Start(); !error.empty()) {
        std::fprintf(stderr, "%s: %s\n", program, error.c_str());
        feed.reset();
        return kExitUsage;
    }
    std::fprintf(stderr, "%s: publishing to the MQTT broker %s under %s/\n", program,
                 broker.c_str(), prefix.c_str());
    return std::nullopt;
}

} // namespace headless
