#include "BrokerClient.h"

#include "Topics.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mosquitto.h>
#include <sys/socket.h>

namespace mqtt {

namespace {

// Seconds between the keep-alive messages: a broker that stops answering
// is given up after one and a half of them.
constexpr int kKeepAliveSeconds = 15;
// Reconnecting waits 1, 2, 4, ... seconds, at most this long.
constexpr std::chrono::seconds kLongestReconnectDelay{30};

const char* OrNull(const std::string& text) {
    return text.empty() ? nullptr : text.c_str();
}

} // namespace

BrokerClient::BrokerClient(Handlers handlers) : handlers(std::move(handlers)) {
    static std::once_flag initialised;
    std::call_once(initialised, [] { mosquitto_lib_init(); });
}

BrokerClient::~BrokerClient() {
    Stop();
    if (client != nullptr) {
        mosquitto_destroy(client);
    }
}

std::string BrokerClient::Configure(const MqttOptions& options, const std::string& clientId,
                                    const std::string& willTopic) {
    client = mosquitto_new(clientId.c_str(), true, this);
    if (client == nullptr) {
        return "cannot make an MQTT client";
    }
    mosquitto_connect_callback_set(client, OnConnect);
    mosquitto_disconnect_callback_set(client, OnDisconnect);
    mosquitto_publish_callback_set(client, OnPublish);
    mosquitto_reconnect_delay_set(client, 1, kLongestReconnectDelay.count(), true);
    if (options.broker.tls) {
        // Without a certificate authority of its own the broker is checked
        // against the system's.
        const char* systemAuthorities = options.caFile.empty() ? "/etc/ssl/certs" : nullptr;
        const int code =
            mosquitto_tls_set(client, OrNull(options.caFile), systemAuthorities,
                              OrNull(options.certFile), OrNull(options.keyFile), nullptr);
        if (code != MOSQ_ERR_SUCCESS) {
            return "cannot use the TLS files (--mqtt-ca " +
                   (options.caFile.empty() ? std::string("none") : options.caFile) +
                   ", --mqtt-cert " +
                   (options.certFile.empty() ? std::string("none") : options.certFile) +
                   "): " + mosquitto_strerror(code);
        }
    }
    if (!options.user.empty() &&
        mosquitto_username_pw_set(client, options.user.c_str(), OrNull(options.password)) !=
            MOSQ_ERR_SUCCESS) {
        return "cannot use the MQTT user " + options.user;
    }
    const std::string offline = kOfflinePayload;
    if (mosquitto_will_set(client, willTopic.c_str(), static_cast<int>(offline.size()),
                           offline.data(), 1, true) != MOSQ_ERR_SUCCESS) {
        return "cannot use the topic " + willTopic;
    }
    return "";
}

void BrokerClient::Start(const BrokerAddress& broker) {
    connector = std::thread([this, broker] { Connect(broker); });
}

void BrokerClient::Connect(BrokerAddress broker) {
    std::chrono::seconds delay{1};
    bool told = false;
    std::unique_lock guard(lock);
    while (!stopped) {
        const int code =
            mosquitto_connect_async(client, broker.host.c_str(), broker.port, kKeepAliveSeconds);
        if (code == MOSQ_ERR_SUCCESS && mosquitto_loop_start(client) == MOSQ_ERR_SUCCESS) {
            looping = true;
            return;
        }
        if (!told) {
            told = true;
            handlers.connection(false, code == MOSQ_ERR_ERRNO ? std::strerror(errno)
                                                              : mosquitto_strerror(code));
        }
        stopping.wait_for(guard, delay, [this] { return stopped; });
        delay = std::min<std::chrono::seconds>(delay * 2, kLongestReconnectDelay);
    }
}

std::optional<int> BrokerClient::Publish(const std::string& topic,
                                         std::span<const std::uint8_t> payload, int qos,
                                         bool retain) {
    int id = 0;
    const int code = mosquitto_publish(client, &id, topic.c_str(), static_cast<int>(payload.size()),
                                       payload.data(), qos, retain);
    if (code != MOSQ_ERR_SUCCESS) {
        return std::nullopt;
    }
    return id;
}

void BrokerClient::Stop(bool cut) {
    {
        std::lock_guard guard(lock);
        stopped = true;
    }
    stopping.notify_all();
    if (connector.joinable()) {
        connector.join();
    }
    if (looping) {
        looping = false;
        mosquitto_disconnect(client);
        if (cut) {
            // Else the thread would wait for the hung broker to take the
            // goodbye until the keep-alive gives up; a connection shut down
            // ends its wait at once, with the library's locks in order.
            ::shutdown(mosquitto_socket(client), SHUT_RDWR);
        }
        mosquitto_loop_stop(client, false);
    }
}

void BrokerClient::OnConnect(mosquitto*, void* self, int code) {
    auto& that = *static_cast<BrokerClient*>(self);
    that.handlers.connection(code == 0, code == 0 ? "" : mosquitto_connack_string(code));
}

void BrokerClient::OnDisconnect(mosquitto*, void* self, int code) {
    auto& that = *static_cast<BrokerClient*>(self);
    that.handlers.connection(false, code == 0 ? "disconnected" : mosquitto_strerror(code));
}

void BrokerClient::OnPublish(mosquitto*, void* self, int id) {
    static_cast<BrokerClient*>(self)->handlers.delivered(id);
}

} // namespace mqtt
