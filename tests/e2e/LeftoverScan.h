#pragma once

#include "tools/camsim/OutgoingPicture.h"

#include <cstdint>
#include <span>
#include <vector>

namespace faultmatrix {

// What the camera puts on the line in the data phase from data offset `from`
// on, encoded as the picture travels: the rest of that block and its check
// byte, and unless onlyThatBlock every later block with its check byte and
// the final check byte.
std::vector<std::uint8_t> DataWireFrom(const camsim::OutgoingPicture& picture, std::uint32_t from,
                                       bool onlyThatBlock);

struct HeaderSearch {
    // Synchronisation pairs a receiver finds, each the start of one attempt.
    int headers = 0;
    // Every header behind them lies within the bytes and fails its checks;
    // otherwise the receiver would take what follows for a picture, or the
    // outcome depends on bytes not given.
    bool allFail = true;
};

// How a receiver that searches these bytes for a synchronisation pair fares:
// it takes the first pair, reads the 19 bytes (38 characters) behind it as a
// header, and searches again behind a header that fails its checks.
HeaderSearch SearchHeaders(std::span<const std::uint8_t> bytes);

} // namespace faultmatrix
