// The day-count scale against known values of the Windows date scale.
#include "core/common/ole_date.h"

#include <cmath>
#include <gtest/gtest.h>

using namespace ronvalo;

TEST(OleDate, KnownDaysAndFractions) {
    struct Case {
        QDateTime dateTime;
        double ole;
    } cases[] = {
        {QDateTime(QDate(1899, 12, 30), QTime(0, 0)), 0.0},
        {QDateTime(QDate(1900, 1, 1), QTime(12, 0)), 2.5},
        {QDateTime(QDate(2004, 4, 26), QTime(6, 0)), 38103.25},
        {QDateTime(QDate(1899, 12, 29), QTime(6, 0)), -1.25},
    };
    for (const auto& c : cases) {
        EXPECT_DOUBLE_EQ(toOle(c.dateTime), c.ole)
            << c.dateTime.toString(Qt::ISODate).toStdString();
        EXPECT_EQ(fromOle(c.ole), c.dateTime) << c.ole;
    }
}

TEST(OleDate, CalendarChecks) {
    EXPECT_TRUE(makeDate(2024, 2, 29));
    EXPECT_FALSE(makeDate(2023, 2, 29));
    EXPECT_FALSE(makeDate(2000, 13, 1));
    EXPECT_TRUE(makeDate(2000, 2, 29));
    EXPECT_FALSE(makeDate(1900, 2, 29));
    EXPECT_FALSE(makeTime(24, 0));
    EXPECT_FALSE(makeTime(0, 60));
    EXPECT_TRUE(makeTime(23, 59));
}

TEST(OleDate, ValuesOutsideTheScaleReadAsTheZeroDate) {
    const QDateTime zero(QDate(1899, 12, 30), QTime(0, 0));
    for (const double damaged : {1e300, -1e300, 2958466.0, -657435.0, std::nan(""), HUGE_VAL})
        EXPECT_EQ(fromOle(damaged), zero) << damaged;
    EXPECT_EQ(fromOle(2958465.5), QDateTime(QDate(9999, 12, 31), QTime(12, 0)));
    EXPECT_EQ(fromOle(-657434.0), QDateTime(QDate(100, 1, 1), QTime(0, 0)));
}
