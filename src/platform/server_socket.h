// The socket of a database client library's connection, cut from another thread: a call blocked
// on a server that stopped answering then returns at once with an error.
#pragma once

#include <cstdint>

namespace ronvalo::platform {

// The address of `function` in `library` when the process has that library loaded already
// (the database driver loads it); nullptr otherwise. Never loads anything itself, so that the
// program needs the library neither to build nor to start.
void* loadedLibraryFunction(const char* library, const char* function);

// The file name of the PostgreSQL client library as the driver loads it on this system.
const char* postgresClientLibrary();

// Shuts both directions of a connected socket: a thread blocked reading or writing it wakes
// with end-of-file or an error. The descriptor stays open, for its owner to close.
bool shutdownSocket(std::intptr_t socket);

} // namespace ronvalo::platform
