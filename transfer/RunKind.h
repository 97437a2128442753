#pragma once

namespace transfer {

// Which command a run carries out.
enum class RunKind { Connect, Disconnect, Live, Capture };

} // namespace transfer
