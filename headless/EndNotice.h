#pragma once

#include "platform/NoCopy.h"
#include "transfer/RunListener.h"

namespace headless {

// A descriptor that becomes readable once the run has ended, so that the
// main thread can wait for the end together with signals and a time limit,
// without polling.
class EndNotice final : public transfer::RunListener, private platform::NoCopy {
public:
    EndNotice();
    ~EndNotice();

    // -1 when no descriptor could be made (errno says why); the run cannot
    // be waited for then.
    int Descriptor() const { return descriptor; }
    void OnRunEvent(const transfer::RunEvent& event) override;

private:
    int descriptor;
};

} // namespace headless
