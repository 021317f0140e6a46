// Conversions between the day-count scale and Qt's calendar types.
#include "core/common/ole_date.h"

#include <cmath>

namespace ronvalo {

namespace {
constexpr qint64 msPerDay = 24LL * 60 * 60 * 1000;
// The scale's own range: 1 January 100 to 31 December 9999. Past it a day count is no date, and
// converting it to an integer would overflow.
constexpr double firstDay = -657434.0;
constexpr double lastDay = 2958465.0;
} // namespace

QDate zeroDate() {
    return QDate(1899, 12, 30);
}

bool isLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int daysInMonth(int year, int month) {
    static constexpr int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12)
        return 0;
    return month == 2 && isLeapYear(year) ? 29 : days[month - 1];
}

std::optional<QDate> makeDate(int year, int month, int day) {
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
        day > daysInMonth(year, month))
        return std::nullopt;
    return QDate(year, month, day);
}

std::optional<QTime> makeTime(int hours, int minutes, int seconds) {
    if (hours < 0 || hours > 23 || minutes < 0 || minutes > 59 || seconds < 0 || seconds > 59)
        return std::nullopt;
    return QTime(hours, minutes, seconds);
}

TDateTime toOle(const QDate& date) {
    return static_cast<double>(zeroDate().daysTo(date));
}

TDateTime toOle(const QDateTime& dateTime) {
    const double days = toOle(dateTime.date());
    const double fraction = dateTime.time().msecsSinceStartOfDay() / double(msPerDay);
    // Before the zero date the fraction still counts forward within its day.
    return days >= 0 ? days + fraction : days - fraction;
}

QDateTime fromOle(TDateTime value) {
    // NaN, infinities and counts outside the scale are damaged values: they read as the zero date.
    if (!std::isfinite(value) || value < firstDay || value >= lastDay + 1.0)
        return QDateTime(zeroDate(), QTime(0, 0));
    const double whole = std::trunc(value);
    qint64 ms = std::llround(std::fabs(value - whole) * msPerDay);
    qint64 days = static_cast<qint64>(whole);
    if (ms >= msPerDay) { // rounding reached the next day
        ms -= msPerDay;
        days += value >= 0 ? 1 : -1;
    }
    return QDateTime(zeroDate().addDays(days), QTime::fromMSecsSinceStartOfDay(int(ms)));
}

} // namespace ronvalo
