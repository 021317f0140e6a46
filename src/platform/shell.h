// The desktop shell's "open" verb: hands a link (a web address, "mailto:...") to the program the
// user has registered for it. Plain C++, no Qt.
#pragma once

#include <cstdint>
#include <string>

namespace ronvalo::platform {

// Asks the shell to open `target` (UTF-8), shown normally, on behalf of the window `owner` (its
// native id; 0 for none). Returns at once; false when the request could not even be made.
bool shellOpen(const std::string& target, std::uintptr_t owner);

} // namespace ronvalo::platform
