// The data folder an installation names for the program, kept apart from its code. Plain C++.
#pragma once

#include <optional>
#include <string>

#include "platform/os_error.h"

namespace ronvalo::platform {

// The folder, ending in the system's separator; nothing when the installation names none (a
// build, a copied folder). Only a place that users cannot change names it: on POSIX the path
// fixed at build time (RONVALO_DATA_FOLDER); on Windows the value "DataFolder" of the key
// HKEY_LOCAL_MACHINE\SOFTWARE\Kerbis\Ronvalo 2.2, which the installer writes and standard
// accounts can only read. An empty value names none.
std::optional<std::string> installedDataFolder();

// The database server setting ("Baza", a libpq connection string) of an installation, kept where
// only administrators write: on POSIX a file fixed at build time (RONVALO_SERVER_SETTING,
// /etc/ronvalo/baza in the package) that root owns and no one else may write, in a folder of the
// same kind; on Windows the value "Baza" beside "DataFolder". Read only by a program that
// installedDataFolder() names a folder for; the operators' settings key is no place for it there.
struct InstalledServerSetting {
    enum class State {
        Absent,       // not set: the tables are the local files
        Present,      // `value` holds it
        NotProtected, // someone other than an administrator may change it: not to be used
        Unreadable,   // it is there but could not be read (`error`), or is of another type
    };
    State state = State::Absent;
    std::string value; // UTF-8
    std::string place; // where it is kept, for messages
    OsError error;
};
InstalledServerSetting installedServerSetting();

// In a build for an installation whose data folder a group shares (RONVALO_SHARED_BY_GROUP),
// shareNewFilesWithGroup(), so that every member can write what this process creates there;
// nothing in other builds. Call once at start, before the first file is made.
void shareNewFilesAsInstalled();

} // namespace ronvalo::platform
