// The file services every system shares: names resolved ignoring case, component by component.
#include "platform/files.h"

namespace ronvalo::platform {

std::string resolveIgnoringCase(const std::string& folder, std::string_view relative) {
    std::string path = folder;
    while (!relative.empty()) {
        const size_t slash = relative.find('/');
        const std::string_view part = relative.substr(0, slash);
        relative =
            slash == std::string_view::npos ? std::string_view() : relative.substr(slash + 1);
        if (part.empty())
            continue;
        const auto match = findNameIgnoringCase(path, part);
        path += match ? *match : std::string(part);
        if (slash != std::string_view::npos)
            path += '/';
    }
    return path;
}

} // namespace ronvalo::platform
