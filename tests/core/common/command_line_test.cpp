// The command-line tools' terminal text and their last line of defence.
#include "core/common/command_line.h"

#include <gtest/gtest.h>
#include <new>
#include <stdexcept>

#include "core/common/exception.h"

using namespace ronvalo;

TEST(CommandLine, ControlCharactersFromTheTablesAreShownAsEscapes) {
    const std::pair<QString, QString> cases[] = {
        {"Brama główna Żółć", "Brama główna Żółć"},
        {"Noc\x1b[2J", "Noc\\x1b[2J"},
        {"a\tb\r\nc", "a\\x09b\\x0d\\x0ac"},
        {QString("x") + QChar(0) + "y", "x\\x00y"},
        {QString("z\x7f"), "z\\x7f"},
        {QString("c1") + QChar(0x9b) + "2J", "c1\\x9b2J"},
        {QString("gpj") + QChar(0x202e) + "exe", "gpj\\u202eexe"},
        {QString("i") + QChar(0x2066) + "j", "i\\u2066j"},
        {"", ""},
    };
    for (const auto& [text, shown] : cases)
        EXPECT_EQ(terminalText(text), shown) << text.toStdString();
}

TEST(CommandLine, EveryFailureEndsWithTheGivenCode) {
    const std::function<int()> works[] = {
        []() -> int { throw EDatabaseError("Nie można otworzyć tabeli"); },
        []() -> int { throw std::bad_alloc(); },
        []() -> int { throw std::runtime_error("x"); },
        []() -> int { throw 7; },
    };
    for (const auto& work : works)
        EXPECT_EQ(runTool("ronvalo-test", 2, work), 2);
    EXPECT_EQ(runTool("ronvalo-test", 2, [] { return 1; }), 1);
}
