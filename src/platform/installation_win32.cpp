// The installation's data folder and server setting on Windows: values the installer writes
// under HKEY_LOCAL_MACHINE, read with read access only (standard accounts have no other).
#include "platform/installation.h"

#include "platform/text_win32.h"

#include <cwchar>
#include <windows.h>

namespace ronvalo::platform {

namespace {

// Not the settings key "Ronvalo 2.0": every user may write that one.
const wchar_t* const installationKey = L"SOFTWARE\\Kerbis\\Ronvalo 2.2";
const wchar_t* const dataFolderValue = L"DataFolder";
const wchar_t* const serverSettingValue = L"Baza";

struct MachineString {
    LSTATUS status = ERROR_FILE_NOT_FOUND; // ERROR_UNSUPPORTED_TYPE: a value of another type
    std::wstring text;
};

MachineString readMachineString(const wchar_t* subKey, const wchar_t* name) {
    // The value may grow between asking its size and reading it: ask again then.
    MachineString result;
    for (int attempt = 0; attempt < 4; ++attempt) {
        DWORD size = 0;
        result.status =
            RegGetValueW(HKEY_LOCAL_MACHINE, subKey, name, RRF_RT_REG_SZ, nullptr, nullptr, &size);
        if (result.status != ERROR_SUCCESS)
            return result;
        std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
        size = static_cast<DWORD>(text.size() * sizeof(wchar_t));
        result.status = RegGetValueW(HKEY_LOCAL_MACHINE, subKey, name, RRF_RT_REG_SZ, nullptr,
                                     text.data(), &size);
        if (result.status == ERROR_MORE_DATA)
            continue;
        if (result.status == ERROR_SUCCESS) {
            text.resize(wcsnlen(text.c_str(), size / sizeof(wchar_t))); // without the terminator
            result.text = std::move(text);
        }
        return result;
    }
    return result;
}

} // namespace

std::optional<std::string> installedDataFolder() {
    const MachineString value = readMachineString(installationKey, dataFolderValue);
    if (value.status != ERROR_SUCCESS || value.text.empty())
        return std::nullopt;
    std::string folder = toUtf8(value.text);
    if (folder.back() != '\\' && folder.back() != '/')
        folder += '\\';
    return folder;
}

// The key's rights are the installer's: standard accounts read it and nothing more.
InstalledServerSetting installedServerSetting() {
    using State = InstalledServerSetting::State;
    InstalledServerSetting setting;
    setting.place = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Kerbis\\Ronvalo 2.2, Baza";
    const MachineString value = readMachineString(installationKey, serverSettingValue);
    if (value.status == ERROR_FILE_NOT_FOUND)
        return setting;
    if (value.status != ERROR_SUCCESS) {
        setting.state = State::Unreadable;
        setting.error = OsError::fromCode(static_cast<int>(value.status));
        return setting;
    }
    setting.state = State::Present;
    setting.value = toUtf8(value.text);
    return setting;
}

} // namespace ronvalo::platform
