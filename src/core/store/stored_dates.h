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

// The text's character at `i`: a table's text read as UTF-16, or as bytes when it is all ASCII.
inline char16_t charAt(QStringView text, qsizetype i) {
    return text[i].unicode();
}
inline char16_t charAt(QLatin1String text, qsizetype i) {
    return text[i].unicode();
}

// The text as the general parser takes it.
inline QStringView utf16(QStringView text) {
    return text;
}
inline QString utf16(QLatin1String text) {
    return QString(text);
}

// The ASCII digits of `text` from `at` on, `count` of them; -1 when one is not a digit.
template <class Text> int digitsAt(Text text, qsizetype at, qsizetype count) {
    int value = 0;
    for (qsizetype i = at; i < at + count; ++i) {
        const char16_t c = charAt(text, i);
        if (c < u'0' || c > u'9')
            return -1;
        value = value * 10 + (c - u'0');
    }
    return value;
}

template <class Text> QDate dateFrom(Text text) {
    if (text.size() == 10 && charAt(text, 4) == u'-' && charAt(text, 7) == u'-') {
        const int year = digitsAt(text, 0, 4), month = digitsAt(text, 5, 2),
                  day = digitsAt(text, 8, 2);
        if (year >= 0 && month >= 0 && day >= 0)
            return QDate(year, month, day);
    }
    return QDate::fromString(utf16(text), Qt::ISODate);
}

template <class Text> QTime timeFrom(Text text) {
    if (text.size() == 8 && charAt(text, 2) == u':' && charAt(text, 5) == u':') {
        const int hours = digitsAt(text, 0, 2), minutes = digitsAt(text, 3, 2),
                  seconds = digitsAt(text, 6, 2);
        if (hours >= 0 && minutes >= 0 && seconds >= 0)
            return QTime(hours, minutes, seconds);
    }
    return QTime::fromString(utf16(text), Qt::ISODate);
}

} // namespace stored_detail

// The stored forms "2004-04-26" and "08:15:00" are taken apart by hand: the general parser is
// most of a long reading's time. Any other text goes through the general parser, so that what
// it makes of an odd row stays the same. The Latin-1 forms take a text that is all ASCII, as
// SQLite gives it, to the same result as its UTF-16 form.
inline QDate dateFromStored(const QString& text) {
    return stored_detail::dateFrom(QStringView(text));
}
inline QDate dateFromStored(QLatin1String asciiText) {
    return stored_detail::dateFrom(asciiText);
}

inline QTime timeFromStored(const QString& text) {
    return stored_detail::timeFrom(QStringView(text));
}
inline QTime timeFromStored(QLatin1String asciiText) {
    return stored_detail::timeFrom(asciiText);
}

} // namespace ronvalo
