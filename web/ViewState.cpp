#include "ViewState.h"

#include "runstate/StateJson.h"

namespace web {

std::string ViewState::StateText() const {
    const int broker = brokerConnected.load();
    std::optional<transfer::RetentionFigures> kept;
    if (retention != nullptr) {
        kept = retention->Figures();
    }
    return runstate::StateJson(
        tally.Snapshot(), run, std::chrono::steady_clock::now() - started, streamViewers.load(),
        broker == kNoBroker ? std::nullopt : std::optional<bool>(broker == 1), kept);
}

} // namespace web
