#include "platform/server_socket.h"

#include <dlfcn.h>
#include <sys/socket.h>

namespace ronvalo::platform {

void* loadedLibraryFunction(const char* library, const char* function) {
    // RTLD_NOLOAD: a handle only to a library already in the process. The driver loads it
    // without RTLD_GLOBAL, so its names are not in the global scope.
    void* handle = dlopen(library, RTLD_LAZY | RTLD_NOLOAD);
    if (!handle)
        return nullptr;
    void* address = dlsym(handle, function);
    dlclose(handle); // the driver's own reference keeps it loaded
    return address;
}

const char* postgresClientLibrary() {
    return "libpq.so.5";
}

bool shutdownSocket(std::intptr_t socket) {
    return socket >= 0 && shutdown(static_cast<int>(socket), SHUT_RDWR) == 0;
}

} // namespace ronvalo::platform
