#include "MqttSubscriber.h"

#include "tests/support/WaitUntil.h"

#include <atomic>
#include <mosquitto.h>
#include <unistd.h>

namespace e2e {

MqttSubscriber::MqttSubscriber(std::uint16_t port, Access access) {
    mosquitto_lib_init();
    static std::atomic<int> serial{0};
    const std::string id = "test-" + std::to_string(::getpid()) + "-" + std::to_string(++serial);
    client = mosquitto_new(id.c_str(), true, this);
    mosquitto_connect_callback_set(client, OnConnect);
    mosquitto_subscribe_callback_set(client, OnSubscribe);
    mosquitto_message_callback_set(client, OnMessage);
    mosquitto_reconnect_delay_set(client, 1, 1, false);
    if (!access.user.empty()) {
        mosquitto_username_pw_set(client, access.user.c_str(), access.password.c_str());
    }
    // libmosquitto's thread tries again only once a connection has begun.
    testsupport::WaitUntil(
        [&] { return mosquitto_connect_async(client, "127.0.0.1", port, 30) == MOSQ_ERR_SUCCESS; });
    mosquitto_loop_start(client);
}

MqttSubscriber::~MqttSubscriber() {
    mosquitto_disconnect(client);
    mosquitto_loop_stop(client, false);
    mosquitto_destroy(client);
}

bool MqttSubscriber::Subscribed(std::chrono::milliseconds limit) {
    std::unique_lock guard(lock);
    return arrived.wait_for(guard, limit, [this] { return subscribed; });
}

std::optional<MqttMessage>
MqttSubscriber::WaitFor(const std::string& topic,
                        const std::function<bool(const MqttMessage&)>& accept,
                        std::chrono::milliseconds limit) {
    std::unique_lock guard(lock);
    std::optional<MqttMessage> found;
    arrived.wait_for(guard, limit, [&] {
        for (const MqttMessage& message : messages) {
            if (message.topic == topic && (!accept || accept(message))) {
                found = message;
                return true;
            }
        }
        return false;
    });
    return found;
}

std::vector<MqttMessage> MqttSubscriber::On(const std::string& topic) const {
    std::lock_guard guard(lock);
    std::vector<MqttMessage> found;
    for (const MqttMessage& message : messages) {
        if (message.topic == topic) {
            found.push_back(message);
        }
    }
    return found;
}

std::vector<MqttMessage> MqttSubscriber::Below(const std::string& prefix) const {
    std::lock_guard guard(lock);
    std::vector<MqttMessage> found;
    for (const MqttMessage& message : messages) {
        if (message.topic.starts_with(prefix)) {
            found.push_back(message);
        }
    }
    return found;
}

void MqttSubscriber::OnConnect(mosquitto* client, void*, int code) {
    if (code == 0) {
        mosquitto_subscribe(client, nullptr, "#", 1);
    }
}

void MqttSubscriber::OnSubscribe(mosquitto*, void* self, int, int, const int*) {
    auto& that = *static_cast<MqttSubscriber*>(self);
    {
        std::lock_guard guard(that.lock);
        that.subscribed = true;
    }
    that.arrived.notify_all();
}

void MqttSubscriber::OnMessage(mosquitto*, void* self, const mosquitto_message* message) {
    auto& that = *static_cast<MqttSubscriber*>(self);
    {
        std::lock_guard guard(that.lock);
        const auto* bytes = static_cast<const char*>(message->payload);
        that.messages.push_back({message->topic, std::string(bytes, bytes + message->payloadlen),
                                 message->retain, std::chrono::steady_clock::now()});
    }
    that.arrived.notify_all();
}

} // namespace e2e
