// Date-times as the system keeps them: days since 30 December 1899, the time of day as fraction.
#pragma once

#include <QDate>
#include <QDateTime>
#include <QTime>
#include <optional>

namespace ronvalo {

// Day 0 of the scale (the zero date) is 30 December 1899; every date never set holds it.
using TDateTime = double;

QDate zeroDate();
bool isLeapYear(int year);
int daysInMonth(int year, int month); // Gregorian; month 1..12

// A date that exists in the calendar, or nothing (month 13, 30 February, ...).
std::optional<QDate> makeDate(int year, int month, int day);
// A time within the day with the given seconds, or nothing (hours 24, minutes 60, ...).
std::optional<QTime> makeTime(int hours, int minutes, int seconds = 0);

TDateTime toOle(const QDateTime& dateTime);
TDateTime toOle(const QDate& date);
// The date-time an OLE value stands for; negative values count back from the zero date with the
// fraction read as a time of day, as the Windows scale does. A value that is no date (NaN, or
// outside 1 January 100 .. 31 December 9999) gives the zero date, like a value never set.
QDateTime fromOle(TDateTime value);

} // namespace ronvalo
