#include "transfer/EventWords.h"

#include <gtest/gtest.h>
#include <set>

// Every cause has its row: a JSON name of its own, and words where people
// need them; an end its exit status.
TEST(EventWords, EveryEndCauseHasItsNameWordsAndStatus) {
    using transfer::EndCause;
    const struct {
        EndCause why;
        const char* name;
        int status;
        std::string words;
    } ends[] = {
        {EndCause::Done, "done", 0, ""},
        {EndCause::Stopped, "stopped", 0, ""},
        {EndCause::PortFailed, "port-failed", 2, "cannot use the serial port: the reason"},
        {EndCause::PathRefused, "path-refused", 1, "the reason"},
        {EndCause::FreeSpaceLimit, "free-space-limit", 0,
         "stopped, free disk space is below the limit"},
        {EndCause::LineLost, "line-lost", 2, ""}, // said when it happened
    };
    ASSERT_EQ(std::size(ends), transfer::kEndCauseWords.size());
    for (const auto& end : ends) {
        SCOPED_TRACE(end.name);
        EXPECT_EQ(transfer::WordsOf(end.why).name, end.name);
        EXPECT_EQ(transfer::WordsOf(end.why).exitStatus, end.status);
        EXPECT_EQ(transfer::EndDescription(end.why, "the reason"), end.words);
    }
}

TEST(EventWords, EveryFailureCauseHasANameAndWordsOfItsOwn) {
    std::set<std::string_view> names;
    std::set<std::string_view> words;
    for (const auto& row : transfer::kFailureCauseWords) {
        SCOPED_TRACE(row.name);
        EXPECT_FALSE(row.words.empty());
        EXPECT_EQ(row.name.find_first_not_of("abcdefghijklmnopqrstuvwxyz-"), std::string::npos);
        names.insert(row.name);
        words.insert(row.words);
    }
    EXPECT_EQ(names.size(), transfer::kFailureCauseWords.size());
    EXPECT_EQ(words.size(), transfer::kFailureCauseWords.size());
    EXPECT_EQ(transfer::FailureDescription(
                  {0, transfer::FailureCause::WriteFailed, "No space left on device", {}}),
              "the picture file cannot be written: No space left on device");
    EXPECT_EQ(transfer::FailureDescription({0, transfer::FailureCause::CutShort, "", {}}),
              "the camera stopped sending");
}
