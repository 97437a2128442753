#pragma once

#include <chrono>
#include <cstddef>
#include <span>

namespace web {

// A response body without an end that one connection's thread fills piece by
// piece: the picture stream and the state events.
class StreamingBody {
public:
    enum : std::ptrdiff_t { kClosed = -1 };

    virtual ~StreamingBody() = default;
    // Bytes filled into buffer, waiting up to limit when there is nothing to
    // send yet; 0 when the limit passed with nothing, kClosed when the
    // stream is over (the view stops).
    virtual std::ptrdiff_t Fill(std::span<char> buffer,
                                std::chrono::steady_clock::duration limit) = 0;
};

} // namespace web
