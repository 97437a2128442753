#pragma once

#include <cstdint>

// Makes every later continuous capture start counting at start instead of 0,
// so that tests reach the nine-digit numbers quickly.
void SetCaptureCounterStartForTesting(std::uint64_t start);
