// A password read from standard input: one line, without echo when it is a terminal.
#pragma once

#include <QString>
#include <cstdio>
#include <optional>

namespace ronvalo::web {

// Reads one line from `input` (its end of line dropped, "\r\n" too) as UTF-8. When `input` is a
// terminal, `prompt` goes to stderr first and the typed characters are not shown. nullopt when
// the input ends before a line, or the line is longer than any password may be.
std::optional<QString> readPasswordLine(std::FILE* input, const char* prompt);

} // namespace ronvalo::web
