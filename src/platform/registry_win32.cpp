// The registry on Windows: HKEY_LOCAL_MACHINE itself, through the wide-character calls.
#include "platform/registry_win32.h"

#include "platform/text_win32.h"

#include <aclapi.h>

namespace ronvalo::platform {

RegistryKey::RegistryKey(std::unique_ptr<Handle> handle) : handle_(std::move(handle)) {}
RegistryKey::~RegistryKey() = default;
RegistryKey::RegistryKey(RegistryKey&&) noexcept = default;
RegistryKey& RegistryKey::operator=(RegistryKey&&) noexcept = default;

std::optional<RegistryKey> RegistryKey::open(const std::string& subKey, bool create) {
    std::string path = subKey;
    while (!path.empty() && path.front() == '\\')
        path.erase(0, 1);
    const std::wstring name = toWide(path);
    HKEY key = nullptr;
    const LSTATUS status =
        create ? RegCreateKeyExW(HKEY_LOCAL_MACHINE, name.c_str(), 0, nullptr,
                                 REG_OPTION_NON_VOLATILE, valueAccess, nullptr, &key, nullptr)
               : RegOpenKeyExW(HKEY_LOCAL_MACHINE, name.c_str(), 0, valueAccess, &key);
    if (status != ERROR_SUCCESS)
        return std::nullopt;
    return RegistryKey(std::make_unique<Handle>(key));
}

bool RegistryKey::valueExists(const std::string& name) const {
    return RegQueryValueExW(handle_->key, toWide(name).c_str(), nullptr, nullptr, nullptr,
                            nullptr) == ERROR_SUCCESS;
}

std::optional<RegValue> RegistryKey::query(const std::string& name) const {
    const std::wstring valueName = toWide(name);
    // The value may grow between asking its size and reading it: ask again then.
    for (int attempt = 0; attempt < 4; ++attempt) {
        DWORD type = REG_NONE;
        DWORD size = 0;
        if (RegQueryValueExW(handle_->key, valueName.c_str(), nullptr, &type, nullptr, &size) !=
            ERROR_SUCCESS)
            return std::nullopt;
        RegValue value{static_cast<RegType>(type), std::vector<std::uint8_t>(size)};
        const LSTATUS status = RegQueryValueExW(handle_->key, valueName.c_str(), nullptr, &type,
                                                value.data.data(), &size);
        if (status == ERROR_MORE_DATA)
            continue;
        if (status != ERROR_SUCCESS)
            return std::nullopt;
        value.type = static_cast<RegType>(type);
        value.data.resize(size);
        return value;
    }
    return std::nullopt;
}

bool RegistryKey::set(const std::string& name, const RegValue& value) {
    return RegSetValueExW(handle_->key, toWide(name).c_str(), 0, static_cast<DWORD>(value.type),
                          value.data.data(),
                          static_cast<DWORD>(value.data.size())) == ERROR_SUCCESS;
}

// The key's rights get one explicit entry for Users, replacing any earlier one (an older
// installation gave them full control), beside what the key inherits from its parent.
bool RegistryKey::allowEveryUserToReadAndWrite() {
    // The program's handle asks for values only; the rights need a handle of their own.
    HKEY opened = nullptr;
    if (RegOpenKeyExW(handle_->key, nullptr, 0, READ_CONTROL | WRITE_DAC, &opened) != ERROR_SUCCESS)
        return false;
    const Handle rights{opened};
    PACL current = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetSecurityInfo(rights.key, SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                        &current, nullptr, &descriptor) != ERROR_SUCCESS)
        return false;
    BYTE users[SECURITY_MAX_SID_SIZE];
    DWORD usersSize = sizeof users;
    bool ok = CreateWellKnownSid(WinBuiltinUsersSid, nullptr, users, &usersSize);
    PACL updated = nullptr;
    if (ok) {
        EXPLICIT_ACCESSW access{};
        access.grfAccessPermissions = valueAccess;
        access.grfAccessMode = SET_ACCESS;
        access.grfInheritance = NO_INHERITANCE;
        access.Trustee.TrusteeForm = TRUSTEE_IS_SID;
        access.Trustee.TrusteeType = TRUSTEE_IS_WELL_KNOWN_GROUP;
        access.Trustee.ptstrName = reinterpret_cast<LPWSTR>(users);
        ok = SetEntriesInAclW(1, &access, current, &updated) == ERROR_SUCCESS &&
             SetSecurityInfo(rights.key, SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION, nullptr,
                             nullptr, updated, nullptr) == ERROR_SUCCESS;
    }
    LocalFree(updated);
    LocalFree(descriptor);
    return ok;
}

bool RegistryKey::remove(const std::string& name) {
    return RegDeleteValueW(handle_->key, toWide(name).c_str()) == ERROR_SUCCESS;
}

} // namespace ronvalo::platform
