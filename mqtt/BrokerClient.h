#pragma once

#include "MqttOptions.h"
#include "platform/NoCopy.h"

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <thread>

struct mosquitto;

namespace mqtt {

// One connection to the broker through libmosquitto, whose own thread does
// all the network work: it connects, keeps the connection alive and, when
// the broker goes away, connects again, waiting a little longer each time
// (up to half a minute). Publishing only hands a message to that thread.
class BrokerClient : private platform::NoCopy {
public:
    struct Handlers {
        // The broker accepted the connection (true) or it ended or was
        // refused (false, with the library's words for why); on the network
        // thread.
        std::function<void(bool connected, const std::string& why)> connection;
        // The message with this id is out: written to the network (QoS 0)
        // or acknowledged by the broker (QoS 1); on the network thread.
        std::function<void(int id)> delivered;
    };

    explicit BrokerClient(Handlers handlers);
    ~BrokerClient();

    // Takes the options' TLS files, user and password and the last will
    // (offline, retained, on willTopic). An error naming what cannot be
    // used; empty on success. Nothing goes over the network yet.
    std::string Configure(const MqttOptions& options, const std::string& clientId,
                          const std::string& willTopic);
    // Starts connecting. A broker that does not answer is no error: a
    // thread of the client's own tries again until it does, then the
    // network thread takes over.
    void Start(const BrokerAddress& broker);
    // Hands a message to the network thread: its id, or nothing when there
    // is no connection to send it on.
    std::optional<int> Publish(const std::string& topic, std::span<const std::uint8_t> payload,
                               int qos, bool retain);
    // Ends the connection cleanly (the broker keeps the last will to itself)
    // and the network thread. A broker that stopped reading is not waited
    // for: its connection is shut down at once (cut).
    void Stop(bool cut = false);

private:
    static void OnConnect(mosquitto* client, void* self, int code);
    static void OnDisconnect(mosquitto* client, void* self, int code);
    static void OnPublish(mosquitto* client, void* self, int id);

    // Until the first connection is under way: libmosquitto's thread tries
    // again only once a connection has begun.
    void Connect(BrokerAddress broker);

    Handlers handlers;
    mosquitto* client = nullptr;
    std::mutex lock;
    std::condition_variable stopping;
    bool stopped = false;
    bool looping = false; // the network thread runs
    std::thread connector;
};

} // namespace mqtt
