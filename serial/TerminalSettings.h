#pragma once

#include <termios.h>

#include "LineSettings.h"

namespace serial {

// Puts an open terminal into raw mode with the given line settings: no
// translation of any byte, the receiver on, modem status ignored (CLOCAL),
// and reads that answer at once with whatever has arrived (VMIN = VTIME = 0).
// DTR and RTS are raised or dropped as the settings say; on a device without
// modem lines that step is skipped. Returns 0, or the errno of the step that
// failed (EINVAL when the device did not take the character format).
int ApplyLineSettings(int descriptor, const LineSettings& settings);

// The parts of ApplyLineSettings that only fill the record: raw mode,
// character format, flow control and the read rule; the speed stays.
void SetLineFormat(termios& terminal, const LineSettings& settings);

// The B-constant of a speed that has one.
bool FindStandardSpeed(std::int32_t bitsPerSecond, speed_t& code);

} // namespace serial
