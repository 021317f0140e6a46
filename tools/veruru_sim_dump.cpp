// The instrument simulator's transmissions: line lookup, the clock line, altered bytes and lines.
#include "veruru_sim_dump.h"

#include <algorithm>
#include <cstdio>

namespace veruru_sim {

namespace {

const std::string LineBreak = "\r\n";

// Where line `line` starts and how long it is, line break excluded; false when there is none.
bool findLine(const std::string& dump, std::size_t line, std::size_t& start, std::size_t& length) {
    std::size_t at = 0;
    for (std::size_t n = 0; n < line; ++n) {
        const std::size_t end = dump.find(LineBreak, at);
        if (end == std::string::npos)
            return false;
        at = end + LineBreak.size();
    }
    if (at >= dump.size())
        return false;
    const std::size_t end = dump.find(LineBreak, at);
    start = at;
    length = (end == std::string::npos ? dump.size() : end) - at;
    return true;
}

} // namespace

bool parsePassAndIndex(const std::string& text, int& pass, std::size_t& index) {
    unsigned long passValue = 0;
    unsigned long long indexValue = 0;
    int consumed = 0;
    if (std::sscanf(text.c_str(), "%lu:%llu%n", &passValue, &indexValue, &consumed) != 2 ||
        static_cast<std::size_t>(consumed) != text.size() || passValue < 1 || passValue > 1000000 ||
        text[0] == '-' || text.find(":-") != std::string::npos)
        return false;
    pass = static_cast<int>(passValue);
    index = static_cast<std::size_t>(indexValue);
    return true;
}

std::string withClock(const std::string& dump, const std::tm& moment) {
    std::size_t start = 0;
    std::size_t length = 0;
    if (!findLine(dump, 2, start, length))
        return dump;
    char clock[32];
    std::strftime(clock, sizeof clock, "%y-%m-%d %H:%M", &moment);
    const std::string stamp = clock;
    std::string result = dump;
    result.replace(start, std::min(length, stamp.size()), stamp);
    return result;
}

std::string withLineChanged(const std::string& dump, std::size_t line) {
    std::size_t start = 0;
    std::size_t length = 0;
    if (!findLine(dump, line, start, length))
        return dump;
    std::string result = dump;
    if (length == 0) {
        // insert(pos, size, char): GCC 12's Release build flags insert(pos, "?") falsely.
        result.insert(start, 1, '?');
        return result;
    }
    bool changed = false;
    for (std::size_t i = start; i < start + length; ++i) {
        char& c = result[i];
        if (c >= '0' && c <= '9') {
            c = c == '9' ? '0' : static_cast<char>(c + 1);
            changed = true;
        }
    }
    if (!changed)
        result[start] = static_cast<char>(result[start] ^ 0x01);
    return result;
}

std::string transmission(const std::string& dump, int pass, const Alterations& alterations,
                         const std::tm& now) {
    std::string result = alterations.clockNow ? withClock(dump, now) : dump;
    for (const LineFault& fault : alterations.lines)
        if (fault.pass == pass)
            result = withLineChanged(result, fault.line);
    for (const ByteFault& fault : alterations.bytes)
        if (fault.pass == pass && fault.offset < result.size())
            result[fault.offset] = static_cast<char>(result[fault.offset] ^ 0x01);
    return result;
}

} // namespace veruru_sim
