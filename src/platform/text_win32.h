// UTF-8 (the program's strings) to and from UTF-16 (the Windows wide-character calls).
#pragma once

#include <string>

namespace ronvalo::platform {

std::wstring toWide(const std::string& utf8);
std::string toUtf8(const std::wstring& wide);

} // namespace ronvalo::platform
