#include "ViewState.h"

#include "runstate/StateJson.h"

namespace web {

std::string ViewState::StateText() const {
    const int broker = brokerConnected.load();
    return runstate::StateJson(
        tally.Snapshot(), run, std::chrono::steady_clock::now() - started, streamViewers.load(),
        broker == kNoBroker ? std::nullopt : std::optional<bool>(broker == 1));
}

} // namespace web
