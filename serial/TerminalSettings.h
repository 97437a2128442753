#pragma once

#include <cstdint>
#include <termios.h>

#include "LineSettings.h"

namespace serial {

// Puts an open terminal into raw mode with the given line settings: no
// translation of any byte, the receiver on, modem status ignored (CLOCAL),
// and reads that answer at once with whatever has arrived (VMIN = VTIME = 0).
// DTR and RTS are raised or dropped as the settings say; on a device without
// modem lines that step is skipped. Returns 0, the errno of the step that
// failed (EINVAL when the device did not take the character format), or
// kSpeedNotTaken when it runs at another speed than asked.
int ApplyLineSettings(int descriptor, const LineSettings& settings);

// ApplyLineSettings's answer for a device that took the settings but not the
// speed; unlike every errno value it is negative.
inline constexpr int kSpeedNotTaken = -1;

// Whether a line whose driver reports the given input and output speeds runs
// at the speed asked for. An input speed of 0 means "as the output". Both
// ends of a line agree well enough within 2 %, the margin within which the
// kernel itself calls a speed the standard one.
bool RunsAtSpeed(std::uint32_t asked, std::uint32_t input, std::uint32_t output);

// The parts of ApplyLineSettings that only fill the record: raw mode,
// character format, flow control and the read rule; the speed stays.
void SetLineFormat(termios& terminal, const LineSettings& settings);

// The B-constant of a speed that has one.
bool FindStandardSpeed(std::int32_t bitsPerSecond, speed_t& code);

} // namespace serial
