// What every system's installation shares: the rights of the files the program creates.
#include "platform/installation.h"

#include "platform/files.h"

namespace ronvalo::platform {

void shareNewFilesAsInstalled() {
#ifdef RONVALO_SHARED_BY_GROUP
    shareNewFilesWithGroup();
#endif
}

} // namespace ronvalo::platform
