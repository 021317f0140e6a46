// The shell's "open" verb on POSIX desktops: xdg-open, started detached so that no child waits
// on the program and none is left behind as a zombie.
#include "platform/shell.h"

#include <cerrno>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace ronvalo::platform {

bool shellOpen(const std::string& target, std::uintptr_t) {
    // The intermediate child starts xdg-open and ends at once; xdg-open is then init's child.
    const pid_t child = ::fork();
    if (child < 0)
        return false;
    if (child == 0) {
        ::setsid();
        char program[] = "xdg-open";
        char* const arguments[] = {program, const_cast<char*>(target.c_str()), nullptr};
        pid_t opener = 0;
        ::_exit(posix_spawnp(&opener, program, nullptr, nullptr, arguments, environ) == 0 ? 0 : 1);
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace ronvalo::platform
