#include "EventJson.h"

#include "transfer/EventWords.h"

#include <chrono>
#include <nlohmann/json.hpp>

namespace mqtt {

namespace {

using nlohmann::json;

std::string BaseName(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

double SecondsSinceEpoch() {
    return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

json Describe(const transfer::PictureStored& stored) {
    return {{"event", "stored"},
            {"number", stored.number},
            {"file", BaseName(stored.file)},
            {"kind", stored.kind == transfer::PictureKind::Jpeg ? "jpeg" : "bmp"},
            {"width", stored.width},
            {"height", stored.height},
            {"bytes", stored.bytes}};
}

json Describe(const transfer::PictureFailed& failed) {
    return {{"event", "failed"},
            {"number", failed.number},
            {"cause", std::string(transfer::WordsOf(failed.why).name)},
            {"words", transfer::FailureDescription(failed)},
            {"bytes", failed.figures.payloadBytes}};
}

json Describe(const transfer::LineLost& lost) {
    return {{"event", "line-lost"}, {"reason", lost.reason}, {"reopening", lost.reopening}};
}

json Describe(const transfer::LineBack& back) {
    return {{"event", "line-back"}, {"device", back.device}};
}

} // namespace

std::optional<std::string> EventJson(const transfer::RunEvent& event) {
    return std::visit(
        [](const auto& happened) -> std::optional<std::string> {
            using Event = std::decay_t<decltype(happened)>;
            if constexpr (std::is_same_v<Event, transfer::PictureStored> ||
                          std::is_same_v<Event, transfer::PictureFailed> ||
                          std::is_same_v<Event, transfer::LineLost> ||
                          std::is_same_v<Event, transfer::LineBack>) {
                json message = Describe(happened);
                message["time"] = SecondsSinceEpoch();
                // Reasons come from the system and may hold any bytes.
                return message.dump(-1, ' ', false, json::error_handler_t::replace);
            } else {
                return std::nullopt;
            }
        },
        event);
}

} // namespace mqtt
