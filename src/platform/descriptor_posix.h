// Writing through a file descriptor and closing it: shared by the file services, the file
// replacement and the installation's setting.
#pragma once

#include <string_view>
#include <unistd.h>

#include "platform/os_error.h"

namespace ronvalo::platform {

// Closes a descriptor when the scope ends; -1 holds none.
struct FdCloser {
    int fd;
    ~FdCloser() {
        if (fd >= 0)
            ::close(fd);
    }
};

// Writes every byte, going on after a signal interrupts a write.
OsError writeAll(int fd, std::string_view bytes);

} // namespace ronvalo::platform
