#pragma once

#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>

namespace headless {

// Shows the state of a run on a stream. On a terminal: one line redrawn in
// place, with a bar for the picture in progress. Elsewhere (the journal, a
// log file, a pipe): a line for every change of state, but none for the
// progress within a picture, which would be hundreds of lines a picture.
// Safe from several threads (the run's listeners, the retention's reports):
// a line of one never cuts into another's.
class StatusReporter {
public:
    StatusReporter(std::FILE* stream, bool terminal) : stream(stream), terminal(terminal) {}

    // bytesExpected is 0 while no picture is in transfer. A state shown
    // already is not shown again.
    void Show(const std::string& statusText, std::uint32_t bytesStored,
              std::uint32_t bytesExpected);
    // A transfer that began and gave no picture; failedSoFar counts it.
    void PictureFailed(std::uint64_t failedSoFar, const std::string& why);
    // A line of its own about the line or the port; the state after it is
    // shown again, even when it is the one before.
    void Notice(const std::string& text);
    // Ends the line in place, so that what follows starts on a line of its own.
    void Finish();

    // A bar of width characters for stored of expected bytes; empty without
    // a picture in transfer.
    static std::string ProgressBar(std::uint32_t bytesStored, std::uint32_t bytesExpected,
                                   int width);

private:
    void WriteLine(const std::string& text);
    void EndLine();

    std::mutex lock;

    std::FILE* stream;
    bool terminal;
    std::string last;
    bool lineOpen = false;
};

} // namespace headless
