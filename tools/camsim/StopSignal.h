#pragma once

#include <atomic>

namespace camsim {

// A request to stop, raised from any thread (or a signal handler: the store
// is lock-free) and seen by every wait of the camera. It can also follow a
// flag owned by someone else.
class StopSignal {
public:
    explicit StopSignal(const std::atomic<bool>* external = nullptr) : external(external) {}

    void Raise() { own.store(true); }
    void Clear() { own.store(false); }
    bool Raised() const { return own.load() || (external != nullptr && external->load()); }

private:
    std::atomic<bool> own{false};
    const std::atomic<bool>* external = nullptr;
};

} // namespace camsim
