#include "ViewState.h"

#include "StateJson.h"

namespace web {

std::string ViewState::StateText() const {
    std::optional<transfer::RetentionFigures> kept;
    if (retention != nullptr) {
        kept = retention->Figures();
    }
    return StateJson(tally.Snapshot(), run, std::chrono::steady_clock::now() - started,
                     streamViewers.load(), kept);
}

} // namespace web
