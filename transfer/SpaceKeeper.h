#pragma once

#include <cstdint>
#include <optional>

namespace transfer {

// What a capture that keeps its folder within limits offers its worker at the
// free-space limit: the free space as it reads it, and room made by deleting
// the oldest pictures instead of an end of the capture.
class SpaceKeeper {
public:
    virtual ~SpaceKeeper() = default;
    // Free bytes on the pictures' file system; nothing when it cannot tell.
    virtual std::optional<std::uint64_t> FreeBytes() = 0;
    // Has older pictures deleted, off the caller's thread, until the limit is
    // met again; false when none is left to delete and the capture must end.
    virtual bool MakeRoom() = 0;
};

} // namespace transfer
