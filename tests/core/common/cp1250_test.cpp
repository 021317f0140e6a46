// The code page both ways over every byte.
#include "core/common/cp1250.h"

#include <gtest/gtest.h>

using namespace ronvalo;

TEST(Cp1250, EveryByteRoundTrips) {
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(static_cast<char>(b));
    EXPECT_EQ(toCp1250(fromCp1250(all)), all);
}

TEST(Cp1250, PolishLettersAndUnmappable) {
    EXPECT_EQ(
        toCp1250(QStringLiteral("ąćęłńóśźżĄĆĘŁŃÓŚŹŻ")),
        QByteArray("\xb9\xe6\xea\xb3\xf1\xf3\x9c\x9f\xbf\xa5\xc6\xca\xa3\xd1\xd3\x8c\x8f\xaf"));
    EXPECT_EQ(fromCp1250("\x80\x96"), QStringLiteral("€–"));
    EXPECT_EQ(toCp1250(QStringLiteral("日")), QByteArray("?"));
}
