// libFuzzer target: arbitrary text parsed as the registry hive file; what was read must survive
// being written and read again unchanged.
#include "platform/registry_hive.h"

#include <cstddef>
#include <cstdint>

namespace {

bool sameHive(const ronvalo::platform::RegHive& a, const ronvalo::platform::RegHive& b) {
    if (a.size() != b.size())
        return false;
    for (auto i = a.begin(), j = b.begin(); i != a.end(); ++i, ++j) {
        if (i->first != j->first || i->second.size() != j->second.size())
            return false;
        for (auto v = i->second.begin(), w = j->second.begin(); v != i->second.end(); ++v, ++w)
            if (v->first != w->first || v->second.type != w->second.type ||
                v->second.data != w->second.data)
                return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const ronvalo::platform::RegHive hive =
        ronvalo::platform::parseHive(std::string(reinterpret_cast<const char*>(data), size));
    const std::string written = ronvalo::platform::formatHive(hive);
    if (!sameHive(ronvalo::platform::parseHive(written), hive))
        __builtin_trap();
    return 0;
}
