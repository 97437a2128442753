#pragma once

#include "transfer/RunListener.h"

namespace headless {

// Keeps the service manager informed of a run: ready once the worker has its
// port open and waits for the first picture (so that starting the service
// waits for the camera's line, and a script can wait for it the same way),
// the state as it changes, and the stop.
class ServiceNotices final : public transfer::RunListener {
public:
    void OnRunEvent(const transfer::RunEvent& event) override;

private:
    bool ready = false;
    bool waitingTold = false;
};

} // namespace headless
