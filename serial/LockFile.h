#pragma once

#include <optional>
#include <string>
#include <sys/types.h>

#include "DeviceHolder.h"

namespace serial {

// The folder of the system's UUCP lock files, in which serial programs
// announce the device they have open: $ZELNOR2_LOCK_DIR when set, else
// /run/lock, else /var/lock; empty when none of them is a folder. Where this
// user may not write in it, other programs' lock files are honoured all the
// same, but none of ours is made.
std::string LockFolder();

// LCK..<name> for a device, the name being the path below /dev with every
// '/' made '_' (ttyUSB0, pts_5), so that the pseudo-terminals under /dev/pts
// get names of their own; a device outside /dev uses its last part.
std::string LockFileName(const std::string& device);

// The process id a lock file holds: a decimal number, padded with any white
// space (the usual "%10d\n"), or a 4-byte binary int as some old programs
// write it. 0 when the file is missing or holds neither.
pid_t ReadLockOwner(const std::string& path);

// The live process other than ours that owns device's lock file, if any. A
// lock file whose process has ended is left alone here.
std::optional<DeviceHolder> FindLockHolder(const std::string& device);

enum class LockOutcome {
    Taken,       // our lock file now stands for the device
    AlreadyOurs, // this process had it already (another port object)
    NotKept,     // no writable lock folder, or the file could not be made
    Held,        // another live program owns it
};

// Announces that this process is opening device: removes a lock file left by
// a process that has ended, then creates ours holding our process id (where
// the folder may be written).
// holder is set when the outcome is Held.
LockOutcome TakeLock(const std::string& device, std::optional<DeviceHolder>& holder);

// Removes device's lock file if it holds our process id.
void ReleaseLock(const std::string& device);

} // namespace serial
