#include "SendResult.h"

namespace camsim {

const char* OutcomeName(Outcome outcome) {
    switch (outcome) {
    case Outcome::Completed:
        return "completed";
    case Outcome::HeaderNotAcknowledged:
        return "header not acknowledged";
    case Outcome::HeaderAckWrong:
        return "header acknowledged with a wrong value";
    case Outcome::BlockNotAcknowledged:
        return "block not acknowledged";
    case Outcome::ResendsExhausted:
        return "block rejected on every send";
    case Outcome::FinalNotAcknowledged:
        return "final acknowledgement missing";
    case Outcome::CutShort:
        return "cut short";
    case Outcome::Stopped:
        return "stopped";
    case Outcome::WriteFailed:
        return "write failed";
    }
    return "unknown";
}

int SendResult::Resends() const {
    int resends = 0;
    for (const BlockReport& block : blocks) {
        if (block.sends > 1) {
            resends += block.sends - 1;
        }
    }
    return resends;
}

} // namespace camsim
