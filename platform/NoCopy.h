#pragma once

namespace platform {

// The base of a class whose object owns what only one may own (a descriptor,
// a thread, a folder it removes): such an object is never copied. Moving is
// left to the class itself.
class NoCopy {
protected:
    NoCopy() = default;
    ~NoCopy() = default;
    NoCopy(const NoCopy&) = delete;
    NoCopy& operator=(const NoCopy&) = delete;
    NoCopy(NoCopy&&) = default;
    NoCopy& operator=(NoCopy&&) = default;
};

} // namespace platform
