// The local-machine registry hive: on this platform one REGEDIT4 text file. Plain C++, no Qt.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace platform {

// Value types as the Windows registry numbers them.
enum class RegType : std::uint32_t { None = 0, String = 1, Binary = 3, Dword = 4 };

struct RegValue {
    RegType type = RegType::None;
    std::vector<std::uint8_t> data;
};

// Names compare without regard to ASCII case, as the registry's do.
struct LessIgnoringCase {
    bool operator()(const std::string& a, const std::string& b) const;
};

using RegKeyValues = std::map<std::string, RegValue, LessIgnoringCase>;
using RegHive = std::map<std::string, RegKeyValues, LessIgnoringCase>; // by full key path

// The hive file: $RONVALO_REGISTRY, else the machine-wide hive of a packaged build, else
// $XDG_CONFIG_HOME (or ~/.config) + /ronvalo/HKEY_LOCAL_MACHINE.reg.
std::string hiveFilePath();

// Parses REGEDIT4 text. Damaged lines (syntax errors, unknown types, truncated data) are skipped,
// so the value they held reads as absent.
RegHive parseHive(const std::string& text);
std::string formatHive(const RegHive& hive);

// One key of HKEY_LOCAL_MACHINE opened with full access. Each write rewrites the hive file
// atomically (a temporary file, then rename), so a crash never leaves half a file.
class RegistryKey {
public:
    // Opens `subKey` ("SOFTWARE\\Kerbis\\Ronvalo 2.0"), creating it when `create`. Nothing when
    // the hive file cannot be read, or cannot be written (full access is asked for).
    static std::optional<RegistryKey> open(const std::string& subKey, bool create);

    bool valueExists(const std::string& name) const;
    std::optional<RegValue> query(const std::string& name) const;
    // False when the hive could not be written.
    bool set(const std::string& name, const RegValue& value);
    bool remove(const std::string& name);

private:
    RegistryKey(std::string file, std::string keyPath)
        : file_(std::move(file)), key_(std::move(keyPath)) {}
    std::string file_;
    std::string key_; // "HKEY_LOCAL_MACHINE\\..."
};

} // namespace platform
