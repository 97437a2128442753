#include "ViewState.h"

#include "StateJson.h"

namespace web {

std::string ViewState::StateText() const {
    return StateJson(tally.Snapshot(), run, std::chrono::steady_clock::now() - started,
                     streamViewers.load());
}

} // namespace web
