#include "BrokerFeed.h"

#include "Discovery.h"
#include "EventJson.h"

#include "picture/GreyJpeg.h"
#include "runstate/StateJson.h"

#include <unistd.h>

namespace mqtt {

namespace {

// How long a clean stop waits for the broker to take what is left.
constexpr std::chrono::seconds kLastDelivery{2};

std::span<const std::uint8_t> Bytes(const std::string& text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

} // namespace

BrokerFeed::BrokerFeed(MqttOptions options, runstate::RunDescription run, LinkChanged changed,
                       const transfer::PictureRetention* retention)
    : options(std::move(options)), run(std::move(run)), topics(this->options.topicPrefix),
      changed(std::move(changed)), retention(retention),
      client({[this](bool up, const std::string& why) { OnConnection(up, why); },
              [this](int id) { outbox.Delivered(id); }}) {}

BrokerFeed::~BrokerFeed() {
    Stop();
}

std::string BrokerFeed::Start() {
    // The id is the camera's, and the process's, so that a second program
    // with the same name does not push this one off the broker.
    const std::string id = "zelnor2-" + DiscoveryId(run.name) + "-" + std::to_string(::getpid());
    if (std::string error = client.Configure(options, id, topics.availability); !error.empty()) {
        return error;
    }
    sender = std::thread([this] { Send(); });
    client.Start(options.broker);
    return "";
}

void BrokerFeed::Stop() {
    if (stopped.exchange(true)) {
        return;
    }
    outbox.Close();
    if (sender.joinable()) {
        sender.join();
    }
    client.Stop(!delivered);
}

void BrokerFeed::OnRunEvent(const transfer::RunEvent& event) {
    if (stopped) {
        return;
    }
    tally.OnRunEvent(event);
    if (const auto* stored = std::get_if<transfer::PictureStored>(&event)) {
        outbox.OfferPicture({stored->number, stored->kind, stored->picture});
    }
    if (auto message = EventJson(event)) {
        outbox.AddEvent(std::move(*message));
    }
    outbox.StateChanged();
}

void BrokerFeed::OnConnection(bool up, const std::string& why) {
    if (up) {
        outbox.Connected();
    } else {
        outbox.Disconnected();
    }
    // The first failure to reach the broker is told as well, then only
    // the changes.
    const bool was = connected.exchange(up);
    const bool first = !anythingTold.exchange(true);
    // A clean stop's own disconnection is nothing to tell.
    if ((was != up || first) && !stopped) {
        changed(up ? Link::Connected : Link::Lost, why);
    }
}

void BrokerFeed::Send() {
    for (;;) {
        Outbox::Work work = outbox.Next();
        if (work.announce) {
            PublishText(topics.availability, kOnlinePayload, Outbox::Kind::Other);
            if (!options.discoveryPrefix.empty()) {
                for (const Message& message :
                     DiscoveryMessages(options.discoveryPrefix, topics, run.name, run.version)) {
                    PublishText(message.topic, message.payload, Outbox::Kind::Other);
                }
            }
        }
        if (work.picture) {
            PublishPicture(std::move(*work.picture));
        } else if (work.announce && newest) {
            Publish(topics.picture, *newest, 0, Outbox::Kind::Picture);
        }
        for (const std::string& event : work.events) {
            PublishText(topics.event, event, Outbox::Kind::Event, false);
        }
        if (work.state) {
            std::optional<transfer::RetentionFigures> kept;
            if (retention != nullptr) {
                kept = retention->Figures();
            }
            const std::string state = runstate::StateJson(
                tally.Snapshot(), run, std::chrono::steady_clock::now() - started, 0, true, kept);
            // The library refuses while it finds no connection (it may know
            // before it tells): the state goes again at its next turn.
            if (!PublishText(topics.state, state, Outbox::Kind::State) && !work.closing) {
                outbox.StateChanged();
            }
        }
        if (work.closing) {
            if (connected) {
                PublishText(topics.availability, kOfflinePayload, Outbox::Kind::Other);
                delivered = outbox.WaitDelivered(kLastDelivery);
            }
            return;
        }
    }
}

bool BrokerFeed::Publish(const std::string& topic, std::span<const std::uint8_t> payload, int qos,
                         Outbox::Kind kind) {
    const auto id = client.Publish(topic, payload, qos, true);
    if (id) {
        outbox.Sent(*id, kind);
    }
    return id.has_value();
}

bool BrokerFeed::PublishText(const std::string& topic, const std::string& text, Outbox::Kind kind,
                             bool retain) {
    const auto id = client.Publish(topic, Bytes(text), 1, retain);
    if (id) {
        outbox.Sent(*id, kind);
    }
    return id.has_value();
}

void BrokerFeed::PublishPicture(WaitingPicture waiting) {
    const std::shared_ptr<const transfer::Picture> picture = std::move(waiting.picture);
    if (picture->bytes.empty()) {
        return;
    }
    if (picture->kind == transfer::PictureKind::UncompressedPixels) {
        auto jpeg = EncodeBmpAsJpeg(picture->bytes, kGreyJpegQuality);
        if (jpeg.empty()) {
            return;
        }
        newest = std::make_shared<const std::vector<std::uint8_t>>(std::move(jpeg));
    } else {
        // The JPEG goes out as the run received it, without a copy.
        newest = std::shared_ptr<const std::vector<std::uint8_t>>(picture, &picture->bytes);
    }
    // QoS 0: its delivery is its last byte written, and a picture lost with
    // the connection is replaced by the newest on the next one.
    Publish(topics.picture, *newest, 0, Outbox::Kind::Picture);
}

} // namespace mqtt
