// The installation's data folder on Windows: a value the installer writes under
// HKEY_LOCAL_MACHINE, read with read access only (standard accounts have no other).
#include "platform/installation.h"

#include "platform/text_win32.h"

#include <cwchar>
#include <windows.h>

namespace ronvalo::platform {

namespace {

// Not the settings key "Ronvalo 2.0": every user may write that one.
const wchar_t* const installationKey = L"SOFTWARE\\Kerbis\\Ronvalo 2.2";
const wchar_t* const dataFolderValue = L"DataFolder";

// The string value, or nothing when it is absent or of another type.
std::optional<std::wstring> readMachineString(const wchar_t* subKey, const wchar_t* name) {
    // The value may grow between asking its size and reading it: ask again then.
    for (int attempt = 0; attempt < 4; ++attempt) {
        DWORD size = 0;
        if (RegGetValueW(HKEY_LOCAL_MACHINE, subKey, name, RRF_RT_REG_SZ, nullptr, nullptr,
                         &size) != ERROR_SUCCESS)
            return std::nullopt;
        std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
        size = static_cast<DWORD>(text.size() * sizeof(wchar_t));
        const LSTATUS status = RegGetValueW(HKEY_LOCAL_MACHINE, subKey, name, RRF_RT_REG_SZ,
                                            nullptr, text.data(), &size);
        if (status == ERROR_MORE_DATA)
            continue;
        if (status != ERROR_SUCCESS)
            return std::nullopt;
        text.resize(wcsnlen(text.c_str(), size / sizeof(wchar_t))); // without the terminator
        return text;
    }
    return std::nullopt;
}

} // namespace

std::optional<std::string> installedDataFolder() {
    const auto value = readMachineString(installationKey, dataFolderValue);
    if (!value || value->empty())
        return std::nullopt;
    std::string folder = toUtf8(*value);
    if (folder.back() != '\\' && folder.back() != '/')
        folder += '\\';
    return folder;
}

} // namespace ronvalo::platform
