#include "StateJson.h"

#include "transfer/EventWords.h"

#include <nlohmann/json.hpp>

namespace runstate {

namespace {

const char* StateName(transfer::RunState state) {
    switch (state) {
    case transfer::RunState::Starting:
        return "starting";
    case transfer::RunState::Waiting:
        return "waiting";
    case transfer::RunState::Receiving:
        return "receiving";
    case transfer::RunState::LineLost:
        return "line-lost";
    case transfer::RunState::Ended:
        return "ended";
    }
    return "starting";
}

std::string BaseName(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

double SecondsSinceEpoch(std::chrono::system_clock::time_point when) {
    return std::chrono::duration<double>(when.time_since_epoch()).count();
}

} // namespace

std::string StateJson(const transfer::RunSnapshot& snapshot, const RunDescription& run,
                      std::chrono::steady_clock::duration uptime, int viewers,
                      std::optional<bool> brokerConnected,
                      const std::optional<transfer::RetentionFigures>& kept) {
    using nlohmann::json;
    json state;
    state["state"] = StateName(snapshot.state);
    state["reason"] = snapshot.reason;
    state["end"] =
        snapshot.end ? json(std::string(transfer::WordsOf(*snapshot.end).name)) : json(nullptr);
    if (snapshot.state == transfer::RunState::Receiving) {
        state["transfer"] = {{"width", snapshot.progress.width},
                             {"height", snapshot.progress.height},
                             {"stored", snapshot.progress.stored},
                             {"expected", snapshot.progress.expected}};
    } else {
        state["transfer"] = nullptr;
    }
    const transfer::LineUse line = transfer::LineUseOf(snapshot.totals, run.speed);
    using Kind = transfer::LineUse::Kind;
    state["totals"] = {
        {"good", snapshot.totals.goodPictures},
        {"failed", snapshot.totals.failedPictures},
        {"bytes", snapshot.totals.goodPictureBytes},
        {"lineEfficiency", line.kind == Kind::Efficiency ? json(line.percent) : json(nullptr)},
        {"fasterThanLine", line.kind == Kind::FasterThanLine},
        {"bytesPerSecond", line.kind == Kind::Unknown ? json(nullptr) : json(line.bytesPerSecond)}};
    state["name"] = run.name;
    if (kept) {
        state["kept"] = {{"count", kept->keptCount},
                         {"bytes", kept->keptBytes},
                         {"deleted", kept->deleted.count},
                         {"deletedBytes", kept->deleted.bytes}};
    } else {
        state["kept"] = nullptr;
    }
    state["device"] = run.device;
    state["speed"] = run.speed;
    state["mode"] = run.kind == transfer::RunKind::Capture ? "capture" : "live";
    state["version"] = run.version;
    state["viewers"] = viewers;
    state["uptime"] = std::chrono::duration<double>(uptime).count();
    state["mqtt"] = brokerConnected ? json{{"connected", *brokerConnected}} : json(nullptr);
    if (snapshot.newest) {
        state["newest"] = {{"number", snapshot.newest->number},
                           {"file", BaseName(snapshot.newest->file)},
                           {"bytes", snapshot.newest->bytes},
                           {"time", SecondsSinceEpoch(snapshot.newest->storedAt)}};
    } else {
        state["newest"] = nullptr;
    }
    // Device names and reasons come from the system and may hold any bytes;
    // replacing what is not UTF-8 keeps the JSON valid instead of throwing.
    return state.dump(-1, ' ', false, json::error_handler_t::replace);
}

} // namespace runstate
