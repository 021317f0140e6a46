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

inline QDate dateFromStored(const QString& text) {
    return QDate::fromString(text, Qt::ISODate);
}

inline QTime timeFromStored(const QString& text) {
    return QTime::fromString(text, Qt::ISODate);
}

} // namespace ronvalo
