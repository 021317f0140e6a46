// One key of the local-machine registry hive, opened to read and write its values. Plain C++,
// no Qt.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace ronvalo::platform {

// Value types as the Windows registry numbers them.
enum class RegType : std::uint32_t { None = 0, String = 1, Binary = 3, Dword = 4 };

struct RegValue {
    RegType type = RegType::None;
    std::vector<std::uint8_t> data;

    bool operator==(const RegValue&) const = default;
};

// A key of HKEY_LOCAL_MACHINE, released when the object goes. On Windows the real registry;
// on POSIX one REGEDIT4 text file (registry_hive.h), each write replacing it atomically.
class RegistryKey {
public:
    // Opens `subKey` ("SOFTWARE\\Kerbis\\Ronvalo 2.0", a leading "\" allowed) asking to read and
    // write its values and nothing more, creating it when `create`. Nothing when it cannot be
    // opened with that access.
    static std::optional<RegistryKey> open(const std::string& subKey, bool create);

    ~RegistryKey();
    RegistryKey(RegistryKey&&) noexcept;
    RegistryKey& operator=(RegistryKey&&) noexcept;

    bool valueExists(const std::string& name) const;
    std::optional<RegValue> query(const std::string& name) const;
    // False when the value could not be written.
    bool set(const std::string& name, const RegValue& value);
    bool remove(const std::string& name);
    // Lets every user of the machine read and write the key's values, as the program does at
    // each start, and nothing more: no subkeys, no rights, no deletion (an installer, run as
    // administrator, calls this; it also takes back the full control an older installation
    // gave). True where there is nothing to do.
    bool allowEveryUserToReadAndWrite();

    // The backend's own handle (registry_win32.h on Windows), for tests that ask the key itself.
    struct Handle;
    const Handle* handle() const { return handle_.get(); }

private:
    explicit RegistryKey(std::unique_ptr<Handle> handle);
    std::unique_ptr<Handle> handle_;
};

} // namespace ronvalo::platform
