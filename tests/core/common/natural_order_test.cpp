// Natural order of names: numbers by value, Polish letters in their place.
#include "core/common/natural_order.h"

#include <QStringList>
#include <algorithm>
#include <gtest/gtest.h>

using namespace ronvalo;

TEST(NaturalOrder, NamesSortAsAPersonExpects) {
    const struct {
        QStringList names;
        QStringList sorted;
    } cases[] = {
        {{"Obchód 10", "Obchód 2", "Obchód 1"}, {"Obchód 1", "Obchód 2", "Obchód 10"}},
        {{"Obchód 2b", "Obchód 2a", "Obchód 02"}, {"Obchód 02", "Obchód 2a", "Obchód 2b"}},
        {{"Zachód", "Ąbc", "abc", "Brama"}, {"abc", "Ąbc", "Brama", "Zachód"}},
        {{"noc", "Noc", "dzień"}, {"dzień", "Noc", "noc"}},
        {{"10", "9", "", "a"}, {"", "9", "10", "a"}},
        {{"99999999999999999999999", "100000000000000000000000"},
         {"99999999999999999999999", "100000000000000000000000"}},
        {{"Plan", "Plan 1"}, {"Plan", "Plan 1"}},
    };
    for (const auto& c : cases) {
        QStringList names = c.names;
        std::sort(names.begin(), names.end(), naturalLess);
        EXPECT_EQ(names, c.sorted) << c.names.join(" | ").toStdString();
    }
}
