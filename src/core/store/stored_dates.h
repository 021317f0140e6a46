// How dates and times are written in the tables: ISO text ("2004-04-26", "08:15:00",
// "2004-04-26 08:15:00"), so that text order is date order and any SQLite tool reads them.
#pragma once

#include <QDateTime>
#include <QString>

namespace ronvalo {

inline QString storedDate(const QDate& date) {
    return date.toString(Qt::ISODate);
}

inline QString storedTime(const QTime& time) {
    return time.toString(Qt::ISODate);
}

inline QString storedDateTime(const QDateTime& moment) {
    return storedDate(moment.date()) + QLatin1Char(' ') + storedTime(moment.time());
}

namespace stored_detail {

// The ASCII digits of `text` from `at` on, `count` of them; -1 when one is not a digit.
inline int digitsAt(const QString& text, qsizetype at, qsizetype count) {
    int value = 0;
    for (qsizetype i = at; i < at + count; ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9')
            return -1;
        value = value * 10 + (c - u'0');
    }
    return value;
}

} // namespace stored_detail

// The stored forms "2004-04-26" and "08:15:00" are taken apart by hand: the general parser is
// most of a long reading's time. Any other text goes through the general parser, so that what
// it makes of an odd row stays the same.
inline QDate dateFromStored(const QString& text) {
    using stored_detail::digitsAt;
    if (text.size() == 10 && text[4] == u'-' && text[7] == u'-') {
        const int year = digitsAt(text, 0, 4), month = digitsAt(text, 5, 2),
                  day = digitsAt(text, 8, 2);
        if (year >= 0 && month >= 0 && day >= 0)
            return QDate(year, month, day);
    }
    return QDate::fromString(text, Qt::ISODate);
}

inline QTime timeFromStored(const QString& text) {
    using stored_detail::digitsAt;
    if (text.size() == 8 && text[2] == u':' && text[5] == u':') {
        const int hours = digitsAt(text, 0, 2), minutes = digitsAt(text, 3, 2),
                  seconds = digitsAt(text, 6, 2);
        if (hours >= 0 && minutes >= 0 && seconds >= 0)
            return QTime(hours, minutes, seconds);
    }
    return QTime::fromString(text, Qt::ISODate);
}

} // namespace ronvalo
