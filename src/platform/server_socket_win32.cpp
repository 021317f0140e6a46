#include "platform/server_socket.h"

#include <windows.h>
#include <winsock2.h>

namespace ronvalo::platform {

void* loadedLibraryFunction(const char* library, const char* function) {
    // GetModuleHandle takes no reference and loads nothing.
    HMODULE module = GetModuleHandleA(library);
    return module ? reinterpret_cast<void*>(GetProcAddress(module, function)) : nullptr;
}

const char* postgresClientLibrary() {
    return "libpq.dll";
}

bool shutdownSocket(std::intptr_t socket) {
    return socket >= 0 && shutdown(static_cast<SOCKET>(socket), SD_BOTH) == 0;
}

} // namespace ronvalo::platform
