#pragma once

#include "platform/NoCopy.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

struct mosquitto;
struct mosquitto_message;

namespace e2e {

struct MqttMessage {
    std::string topic;
    std::string payload;
    bool retained = false;
    std::chrono::steady_clock::time_point arrived;
};

// A client of the test's broker that subscribes to every topic and keeps
// what comes, through libmosquitto as any other subscriber would.
class MqttSubscriber : private platform::NoCopy {
public:
    struct Access {
        std::string user;
        std::string password;
    };

    explicit MqttSubscriber(std::uint16_t port, Access access = {});
    ~MqttSubscriber();

    // Whether it is subscribed by now; waits up to limit.
    bool Subscribed(std::chrono::milliseconds limit = std::chrono::seconds(20));
    // The first message on topic that has come, or comes within limit, for
    // which accept holds.
    std::optional<MqttMessage> WaitFor(const std::string& topic,
                                       const std::function<bool(const MqttMessage&)>& accept = {},
                                       std::chrono::milliseconds limit = std::chrono::seconds(20));
    // Every message on topic so far, in order.
    std::vector<MqttMessage> On(const std::string& topic) const;
    // Every message so far whose topic begins with prefix.
    std::vector<MqttMessage> Below(const std::string& prefix) const;

private:
    static void OnConnect(mosquitto* client, void* self, int code);
    static void OnSubscribe(mosquitto* client, void* self, int id, int count, const int* granted);
    static void OnMessage(mosquitto* client, void* self, const mosquitto_message* message);

    mosquitto* client = nullptr;
    mutable std::mutex lock;
    std::condition_variable arrived;
    bool subscribed = false;
    std::vector<MqttMessage> messages;
};

} // namespace e2e
