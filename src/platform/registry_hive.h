// The REGEDIT4 text that holds the local-machine hive on systems without a registry.
#pragma once

#include <map>
#include <string>

#include "platform/registry.h"

namespace ronvalo::platform {

// Names compare without regard to ASCII case, as the registry's do.
struct LessIgnoringCase {
    bool operator()(const std::string& a, const std::string& b) const;
};

using RegKeyValues = std::map<std::string, RegValue, LessIgnoringCase>;
using RegHive = std::map<std::string, RegKeyValues, LessIgnoringCase>; // by full key path

// The hive file: $RONVALO_REGISTRY, else $XDG_CONFIG_HOME (or ~/.config) + /ronvalo/...reg.
std::string hiveFilePath();

// Parses REGEDIT4 text. Damaged lines (syntax errors, unknown types, truncated data) are skipped,
// so the value they held reads as absent.
RegHive parseHive(const std::string& text);
std::string formatHive(const RegHive& hive);

} // namespace ronvalo::platform
