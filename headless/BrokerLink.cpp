#include "BrokerLink.h"

#include "RunIdentity.h"

#include <atomic>
#include <cstdio>
#include <memory>

namespace headless {

std::optional<Refusal> StartBrokerFeed(const HeadlessOptions& options, const char* program,
                                       web::WebView* view,
                                       const transfer::PictureRetention* retention,
                                       std::unique_ptr<mqtt::BrokerFeed>& feed) {
    if (!options.publishMqtt) {
        return std::nullopt;
    }
    mqtt::MqttOptions settings = options.mqtt.client;
    if (!options.mqtt.passwordFile.empty()) {
        if (const std::string error =
                mqtt::LoadPasswordFile(options.mqtt.passwordFile, settings.password);
            !error.empty()) {
            return Refusal{kExitUsage, error};
        }
    }
    const runstate::RunDescription run = DescribeRun(options);
    if (settings.topicPrefix.empty()) {
        settings.topicPrefix = "zelnor2/" + run.name;
    }
    if (!mqtt::IsPublishableTopic(settings.topicPrefix)) {
        return Refusal{kExitUsage,
                       "the camera's name '" + run.name + "' cannot stand in a topic; give --name"};
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
        feed.reset();
        return Refusal{kExitUsage, error};
    }
    std::fprintf(stderr, "%s: publishing to the MQTT broker %s under %s/\n", program,
                 broker.c_str(), prefix.c_str());
    return std::nullopt;
}

} // namespace headless
