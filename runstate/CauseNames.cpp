#include "CauseNames.h"

namespace runstate {

const char* EndName(transfer::EndCause cause) {
    switch (cause) {
    case transfer::EndCause::Done:
        return "done";
    case transfer::EndCause::Stopped:
        return "stopped";
    case transfer::EndCause::PortFailed:
        return "port-failed";
    case transfer::EndCause::PathRefused:
        return "path-refused";
    case transfer::EndCause::FreeSpaceLimit:
        return "free-space-limit";
    case transfer::EndCause::LineLost:
        return "line-lost";
    }
    return "stopped";
}

const char* FailureName(transfer::FailureCause cause) {
    switch (cause) {
    case transfer::FailureCause::Stopped:
        return "stopped";
    case transfer::FailureCause::LineLost:
        return "line-lost";
    case transfer::FailureCause::CutShort:
        return "cut-short";
    case transfer::FailureCause::BlocksRejected:
        return "blocks-rejected";
    case transfer::FailureCause::FinalCheckFailed:
        return "final-check-failed";
    case transfer::FailureCause::FileNotCreated:
        return "file-not-created";
    case transfer::FailureCause::WriteFailed:
        return "write-failed";
    case transfer::FailureCause::PixelMemoryRefused:
        return "pixel-memory-refused";
    case transfer::FailureCause::BitmapNotWritten:
        return "bitmap-not-written";
    case transfer::FailureCause::AnswerNotSent:
        return "answer-not-sent";
    case transfer::FailureCause::NotPublished:
        return "not-published";
    }
    return "cut-short";
}

} // namespace runstate
