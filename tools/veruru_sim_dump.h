// The instrument simulator's transmissions: a dump file, and the alterations a run asks for.
#pragma once

#include <ctime>
#include <string>
#include <vector>

namespace veruru_sim {

// One byte of one transmission to alter (transmissions counted from 1, bytes from 0).
struct ByteFault {
    int pass = 0;
    std::size_t offset = 0;
};

// One line of one transmission to alter (transmissions counted from 1, lines from 0).
struct LineFault {
    int pass = 0;
    std::size_t line = 0;
};

struct Alterations {
    std::vector<ByteFault> bytes;
    std::vector<LineFault> lines;
    bool clockNow = false;
};

// "PASS:N" with PASS at least 1; false when the text is not of that form.
bool parsePassAndIndex(const std::string& text, int& pass, std::size_t& index);

// Replaces the start of line 2 (the instrument's clock) with "YY-MM-DD HH:MM" of the moment.
std::string withClock(const std::string& dump, const std::tm& moment);

// The same dump with line `line` (lines end with CR LF) changed: every digit counts one up
// (9 to 0); a line without digits has its first character changed; an empty line gets "?".
// The dump comes back unchanged when it has no such line.
std::string withLineChanged(const std::string& dump, std::size_t line);

// The bytes of transmission `pass`: the dump with the alterations meant for it.
std::string transmission(const std::string& dump, int pass, const Alterations& alterations,
                         const std::tm& now);

} // namespace veruru_sim
