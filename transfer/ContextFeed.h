#pragma once

#include "RunKind.h"
#include "RunListener.h"

class WorkerContext;

namespace transfer {

// Keeps the worker context as the dialog reads it, from the events of one
// run: the link marked connected and its speed, and the status text the
// operator sees.
class ContextFeed final : public RunListener {
public:
    ContextFeed(WorkerContext& context, RunKind kind) : context(context), kind(kind) {}
    void OnRunEvent(const RunEvent& event) override;

private:
    void OnEnded(const Ended& ended);

    WorkerContext& context;
    RunKind kind;
};

} // namespace transfer
