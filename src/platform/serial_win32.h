// The Windows serial backend's own part: the port's handle, for tests that ask the port itself.
#pragma once

// First, before <windows.h> defines macros of the same names as its constants.
#include "platform/serial_device.h"

#include <windows.h>

namespace ronvalo::platform {

struct SerialDevice::Handle {
    HANDLE handle;
};

} // namespace ronvalo::platform
