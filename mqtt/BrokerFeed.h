#pragma once

#include "BrokerClient.h"
#include "MqttOptions.h"
#include "Outbox.h"
#include "Topics.h"
#include "platform/NoCopy.h"

#include "runstate/RunDescription.h"
#include "transfer/PictureRetention.h"
#include "transfer/RunListener.h"
#include "transfer/RunTally.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace mqtt {

// The run told to an MQTT broker: one more listener of the run's events.
// It publishes the camera's availability, the run's state (the same JSON as
// the browser view's), each good picture as JPEG and an event per picture
// and per change of the line, and Home Assistant's discovery. The worker
// only hands things over and never waits for the network: libmosquitto's
// thread talks to the broker, and a sender thread of the feed's own reads
// the pictures (making grey ones JPEG) and publishes. A broker that is away
// at the start, goes away or stalls costs the camera nothing; once it is
// back, everything retained is published again.
class BrokerFeed final : public transfer::RunListener, private platform::NoCopy {
public:
    enum class Link { Connected, Lost };
    // A change of the connection, on the network thread: connected, or lost
    // (or not reached yet) with the library's words for why.
    using LinkChanged = std::function<void(Link link, const std::string& why)>;

    // retention, where the run has one, gives the kept pictures to the state;
    // it outlives the feed.
    BrokerFeed(MqttOptions options, runstate::RunDescription run, LinkChanged changed,
               const transfer::PictureRetention* retention = nullptr);
    ~BrokerFeed() override;

    // Takes the TLS files and starts connecting. An error naming the file or
    // setting that cannot be used; empty on success, also when the broker
    // does not answer (yet).
    std::string Start();
    // After the run's end: what waits goes out, then "offline", and the
    // connection ends. The run's events are ignored after.
    void Stop();

    void OnRunEvent(const transfer::RunEvent& event) override;

private:
    void OnConnection(bool up, const std::string& why);
    void Send();
    // Whether the library took the message.
    bool Publish(const std::string& topic, std::span<const std::uint8_t> payload, int qos,
                 Outbox::Kind kind);
    bool PublishText(const std::string& topic, const std::string& text, Outbox::Kind kind,
                     bool retain = true);
    void PublishPicture(WaitingPicture picture);

    const MqttOptions options;
    const runstate::RunDescription run;
    const Topics topics;
    const LinkChanged changed;
    const transfer::PictureRetention* const retention;
    const std::chrono::steady_clock::time_point started = std::chrono::steady_clock::now();
    transfer::RunTally tally;
    Outbox outbox;
    std::atomic<bool> stopped{false};
    std::atomic<bool> connected{false};
    std::atomic<bool> anythingTold{false};
    // The sender's own: the newest picture published, for a new connection.
    std::shared_ptr<const std::vector<std::uint8_t>> newest;
    // Whether the broker took all at the end, or stopped reading; written by
    // the sender before it ends, read after it is joined.
    bool delivered = true;
    BrokerClient client;
    std::thread sender;
};

} // namespace mqtt
