#pragma once

#include <atomic>
#include <functional>
#include <utility>

namespace camsim {

// A request to stop, raised from any thread (or a signal handler: the store
// is lock-free) and seen by every wait of the camera. It can also follow a
// request of someone else's.
class StopSignal {
public:
    explicit StopSignal(std::function<bool()> external = {}) : external(std::move(external)) {}

    void Raise() { own.store(true); }
    void Clear() { own.store(false); }
    bool Raised() const { return own.load() || (external && external()); }

private:
    std::atomic<bool> own{false};
    const std::function<bool()> external;
};

} // namespace camsim
