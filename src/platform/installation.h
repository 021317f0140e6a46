// The data folder an installation names for the program, kept apart from its code. Plain C++.
#pragma once

#include <optional>
#include <string>

namespace ronvalo::platform {

// The folder, ending in the system's separator; nothing when the installation names none (a
// build, a copied folder). Only a place that users cannot change names it: on POSIX the path
// fixed at build time (RONVALO_DATA_FOLDER); on Windows the value "DataFolder" of the key
// HKEY_LOCAL_MACHINE\SOFTWARE\Kerbis\Ronvalo 2.2, which the installer writes and standard
// accounts can only read. An empty value names none.
std::optional<std::string> installedDataFolder();

// In a build for an installation whose data folder a group shares (RONVALO_SHARED_BY_GROUP),
// shareNewFilesWithGroup(), so that every member can write what this process creates there;
// nothing in other builds. Call once at start, before the first file is made.
void shareNewFilesAsInstalled();

} // namespace ronvalo::platform
