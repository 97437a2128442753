#pragma once

#include "LineOptions.h"

#include <cstdint>
#include <random>

namespace linesim {

enum class Fate { Passed, Corrupted, Dropped };

struct ByteFate {
    Fate fate = Fate::Passed;
    // For a corrupted byte: the single bit that flips.
    std::uint8_t flip = 0;
};

// Decides, byte after byte, what the line does to each byte of one direction.
// The decisions depend only on the seed, the stream and the position of the
// byte in its stream, never on timing: the same seed corrupts and drops the
// same positions in every run.
class FaultInjector {
public:
    // stream tells the two directions of one line apart.
    FaultInjector(const FaultOptions& options, bool enabled, std::uint64_t stream);

    ByteFate Next();

private:
    // A number in [0, 1) from the next output of the generator.
    double NextUnit();

    double errorRate = 0;
    double dropRate = 0;
    bool enabled = false;
    // The engine's sequence is fixed by the language standard, unlike the
    // library's distributions, so the fates are the same with any library.
    std::mt19937_64 generator;
};

} // namespace linesim
