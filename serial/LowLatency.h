#pragma once

namespace serial {

// Asks the driver to hand over received bytes at once instead of collecting
// them for a few milliseconds first, which the reader's 1 ms polling would
// otherwise wait for. A driver that has no such setting, or a user who may
// not change it, is no failure. Returns 0 or the errno of a real failure.
int RequestLowLatency(int descriptor);

} // namespace serial
