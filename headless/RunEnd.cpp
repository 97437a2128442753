#include "RunEnd.h"

#include "HeadlessOptions.h"

namespace headless {

EndOutcome OutcomeOf(transfer::EndCause why, const std::string& reason) {
    switch (why) {
    case transfer::EndCause::PortFailed:
        // Also after a check that passed: another program took the device
        // in between, or it was pulled out at that moment.
        return {kExitPortUnusable, "cannot use the serial port: " + reason};
    case transfer::EndCause::LineLost:
        return {kExitPortUnusable, {}}; // said when it happened
    case transfer::EndCause::PathRefused:
        return {kExitFailure, reason};
    case transfer::EndCause::FreeSpaceLimit:
        return {kExitOk, "stopped, free disk space is below the limit"};
    case transfer::EndCause::Done:
    case transfer::EndCause::Stopped:
        break;
    }
    return {kExitOk, {}};
}

} // namespace headless
