// The system's regional date and time formats, taken from LC_ALL, LC_TIME or LANG.
#pragma once

#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QTime>

namespace ronvalo {

struct RegionalFormats {
    QLocale locale;
    QString shortDate; // "d.MM.yyyy" for Polish
    QString longDate;  // "d MMMM yyyy" for Polish
    QString longTime;  // with seconds, without a time zone: "HH:mm:ss" for Polish

    // The formats of the locale the environment names; read anew each call, so tests may switch.
    static RegionalFormats fromEnvironment();

    QString formatShortDate(const QDate& date) const;
    QString formatLongTime(const QTime& time) const;
    // The short date, and unless the time lies within the second 00:00:00 a blank and the long
    // time.
    QString formatDateTime(const QDateTime& dateTime) const;
};

} // namespace ronvalo
