// The Windows registry backend's own part: the key's handle, for tests that ask the key itself.
#pragma once

#include "platform/registry.h"

#include <windows.h>

namespace ronvalo::platform {

struct RegistryKey::Handle {
    HKEY key;
    ~Handle() { RegCloseKey(key); }
};

// What the program's handle of a key may do: read and write values, nothing else (no subkeys,
// no rights, no deletion of the key). The installer grants operators exactly this on the
// settings key.
inline constexpr REGSAM valueAccess = KEY_QUERY_VALUE | KEY_SET_VALUE;

} // namespace ronvalo::platform
