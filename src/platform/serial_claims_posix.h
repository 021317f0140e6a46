// Who else claims a serial device on POSIX: other processes' open descriptors, and UUCP lock files.
#pragma once

#include <optional>
#include <string>

namespace ronvalo::platform {

// True when a process other than this one has the device of `fd` open. On a pseudo-terminal the
// process that holds its master is the line's far end (a bridge such as socat keeps the slave
// open as well): its own descriptors of the slave do not count.
bool openElsewhere(int fd);

// The UUCP lock file of a device: "LCK.." and its path under /dev ("/" made "_"), in /run/lock
// or else /var/lock. Empty when neither folder exists.
std::string lockFilePath(const std::string& path);

// Takes the device's lock file: its path, empty when none can be made here (the device then
// goes unlocked), nothing when a live process holds it. A stale file (its process has gone) is
// replaced. The file appears whole: a reader never finds it empty or half written.
std::optional<std::string> takeLockFile(const std::string& lock);

} // namespace ronvalo::platform
