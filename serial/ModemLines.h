#pragma once

namespace serial {

// Raises (raise true) or drops the modem output lines given as TIOCM_* bits.
// Returns 0 or the errno of the failed request.
int ChangeModemLines(int descriptor, int lines, bool raise);

// The state of all modem lines as TIOCM_* bits; false when it cannot be read.
bool ReadModemLines(int descriptor, int& lines);

// Whether a failed modem-line request means only that the device has no
// modem lines at all, as with a pseudo-terminal.
bool ModemLinesUnsupported(int error);

} // namespace serial
