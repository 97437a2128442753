#pragma once

#include "RunEvents.h"

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

// The words of a run's events, one table for each set: a cause's name in
// JSON ("free-space-limit": stable words for programs and automations), its
// words for people (for a journal or a page; not the operator's status
// line), and for an end the exit status of a program whose run it ended.
namespace transfer {

struct EndCauseWords {
    EndCause cause;
    std::string_view name;
    // What a program says of the end; empty: nothing more to say (an end
    // asked for, or one told when it happened).
    std::string_view words;
    // The run's reason (the port's open error, the refused path) follows the
    // words, or stands alone without them.
    bool withReason;
    // 0 for an end asked for (a count, a time, a signal, the free-space
    // limit), 1 for a run that failed, 2 for a port that cannot be used or a
    // line lost for good.
    int exitStatus;
};

inline constexpr std::array kEndCauseWords = {
    EndCauseWords{EndCause::Done, "done", "", false, 0},
    EndCauseWords{EndCause::Stopped, "stopped", "", false, 0},
    // Also after a check that passed: another program took the device in
    // between, or it was pulled out at that moment.
    EndCauseWords{EndCause::PortFailed, "port-failed", "cannot use the serial port", true, 2},
    EndCauseWords{EndCause::PathRefused, "path-refused", "", true, 1},
    EndCauseWords{EndCause::FreeSpaceLimit, "free-space-limit",
                  "stopped, free disk space is below the limit", false, 0},
    EndCauseWords{EndCause::LineLost, "line-lost", "", false, 2},
};

struct FailureCauseWords {
    FailureCause cause;
    std::string_view name;
    std::string_view words; // "the camera stopped sending"
};

inline constexpr std::array kFailureCauseWords = {
    FailureCauseWords{FailureCause::Stopped, "stopped", "stopped"},
    FailureCauseWords{FailureCause::LineLost, "line-lost", "the line was lost"},
    FailureCauseWords{FailureCause::CutShort, "cut-short", "the camera stopped sending"},
    FailureCauseWords{FailureCause::BlocksRejected, "blocks-rejected",
                      "a block failed its check three times"},
    FailureCauseWords{FailureCause::FinalCheckFailed, "final-check-failed",
                      "the picture's check did not match"},
    FailureCauseWords{FailureCause::FileNotCreated, "file-not-created",
                      "the picture file cannot be created"},
    FailureCauseWords{FailureCause::WriteFailed, "write-failed",
                      "the picture file cannot be written"},
    FailureCauseWords{FailureCause::PixelMemoryRefused, "pixel-memory-refused",
                      "the picture is too large for memory"},
    FailureCauseWords{FailureCause::BitmapNotWritten, "bitmap-not-written",
                      "the BMP file cannot be written"},
    FailureCauseWords{FailureCause::AnswerNotSent, "answer-not-sent",
                      "the answer to the camera did not go out"},
    FailureCauseWords{FailureCause::NotPublished, "not-published",
                      "the picture cannot replace the display file"},
};

// Each table holds its causes in their order, so that a cause is its row.
template <typename Table> constexpr bool InCauseOrder(const Table& table) {
    for (std::size_t i = 0; i < table.size(); ++i) {
        if (static_cast<std::size_t>(table[i].cause) != i) {
            return false;
        }
    }
    return true;
}
static_assert(InCauseOrder(kEndCauseWords) &&
              kEndCauseWords.size() == static_cast<std::size_t>(EndCause::LineLost) + 1);
static_assert(InCauseOrder(kFailureCauseWords) &&
              kFailureCauseWords.size() ==
                  static_cast<std::size_t>(FailureCause::NotPublished) + 1);

constexpr const EndCauseWords& WordsOf(EndCause cause) {
    return kEndCauseWords[static_cast<std::size_t>(cause)];
}

constexpr const FailureCauseWords& WordsOf(FailureCause cause) {
    return kFailureCauseWords[static_cast<std::size_t>(cause)];
}

// The words of an end with the run's reason where they take it ("cannot use
// the serial port: COM2 (/dev/ttyUSB0): No such file or directory"); empty
// when there is nothing to say.
std::string EndDescription(EndCause cause, std::string_view reason);

// The words and, where there are some, the system's reason behind them.
std::string FailureDescription(const PictureFailed& failure);

// What kind of event it is, in a word or two ("picture stored").
std::string_view EventName(const RunEvent& event);

} // namespace transfer
