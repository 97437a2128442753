#include "Discovery.h"

#include <nlohmann/json.hpp>

namespace mqtt {

namespace {

using nlohmann::json;

struct Sensor {
    const char* key;
    const char* name;
    const char* valueTemplate;
    const char* unit;       // empty: none
    const char* stateClass; // empty: none
    const char* icon;
};

constexpr Sensor kSensors[] = {
    {"state", "State", "{{ value_json.state }}", "", "", "mdi:camera-wireless"},
    {"good", "Good pictures", "{{ value_json.totals.good }}", "", "total_increasing",
     "mdi:image-check"},
    {"failed", "Failed pictures", "{{ value_json.totals.failed }}", "", "total_increasing",
     "mdi:image-remove"},
    {"efficiency", "Line efficiency", "{{ value_json.totals.lineEfficiency }}", "%", "measurement",
     "mdi:speedometer"},
};

} // namespace

std::string DiscoveryId(const std::string& name) {
    std::string id = name;
    for (char& c : id) {
        const bool kept = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                          (c >= '0' && c <= '9') || c == '_' || c == '-';
        if (!kept) {
            c = '_';
        }
    }
    return id;
}

std::vector<Message> DiscoveryMessages(const std::string& prefix, const Topics& topics,
                                       const std::string& name, const std::string& version) {
    const std::string id = "zelnor2_" + DiscoveryId(name);
    const json device = {{"identifiers", json::array({id})},
                         {"name", name},
                         {"model", "Zelnor2 camera"},
                         {"sw_version", version}};
    const auto entity = [&](const std::string& key, const char* entityName) {
        return json{{"name", entityName},
                    {"unique_id", id + "_" + key},
                    {"object_id", id + "_" + key},
                    {"availability_topic", topics.availability},
                    {"payload_available", kOnlinePayload},
                    {"payload_not_available", kOfflinePayload},
                    {"device", device}};
    };
    const auto dump = [](const json& config) {
        return config.dump(-1, ' ', false, json::error_handler_t::replace);
    };

    std::vector<Message> messages;
    json camera = entity("picture", "Picture");
    camera["topic"] = topics.picture;
    messages.push_back({prefix + "/camera/" + id + "/picture/config", dump(camera)});
    for (const Sensor& sensor : kSensors) {
        json config = entity(sensor.key, sensor.name);
        config["state_topic"] = topics.state;
        config["value_template"] = sensor.valueTemplate;
        config["icon"] = sensor.icon;
        if (*sensor.unit != '\0') {
            config["unit_of_measurement"] = sensor.unit;
        }
        if (*sensor.stateClass != '\0') {
            config["state_class"] = sensor.stateClass;
        }
        messages.push_back({prefix + "/sensor/" + id + "/" + sensor.key + "/config", dump(config)});
    }
    return messages;
}

} // namespace mqtt
