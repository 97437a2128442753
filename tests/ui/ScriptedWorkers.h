#pragma once

#include "ui/WorkerProcedures.h"

#include <atomic>
#include <cstdint>
#include <string>

class WorkerContext;

namespace uitest {

// What the last started scripted worker found in the context.
struct WorkerStart {
    int procedure = 0; // 1 connect, 2 disconnect, 3 live, 4 capture
    std::int32_t port = 0;
    std::int32_t speed = 0;
    bool stopRequested = true; // whether the run was asked to stop before it began
    std::uint32_t freeSpaceLimit = 0;
    std::int32_t checkFreeSpace = 0;
    std::int32_t deleteCorrupted = 0;
    std::string captureBasePath;
    std::string displayFileName;
};

// Worker procedures whose course the test steers, for the dialog's own
// logic: each records what it was started with, then runs until the test
// releases it or the dialog stops the run. Connect then tells that the link
// is connected when told to succeed; Disconnect that it is not; the picture
// workers tell of a picture whenever the test asks for one.
namespace scripted {

WorkerProcedures Procedures();

// Resets every switch and the record of the last start.
void Reset();
// Lets a held Connect or Disconnect end by itself.
void Release();
void SetConnectSucceeds(bool succeeds);
// How long a worker still runs after it has seen the stop request.
void SetStopDelay(int milliseconds);
// The running picture worker raises the new-picture flag once.
void AnnouncePicture();
// How many workers have been started, and how many are running right now.
int StartCount();
int RunningCount();
// The most workers that ran at the same time.
int MostRunningAtOnce();
WorkerStart LastStart();

} // namespace scripted
} // namespace uitest
