// The shell's "open" verb on Windows.
#include "platform/shell.h"

#include "platform/text_win32.h"

#include <windows.h>

#include <shellapi.h>

namespace ronvalo::platform {

bool shellOpen(const std::string& target, std::uintptr_t owner) {
    // No parameters and no working folder; a result above 32 means the shell took the request.
    const HINSTANCE result = ShellExecuteW(reinterpret_cast<HWND>(owner), L"open",
                                           toWide(target).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    return reinterpret_cast<std::intptr_t>(result) > 32;
}

} // namespace ronvalo::platform
