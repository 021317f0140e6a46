// Regional formats from the environment's locale, with Qt's locale data.
#include "core/common/regional.h"

#include <QRegularExpression>
#include <cstdlib>

namespace ronvalo {

namespace {

// The locale the environment names; without one (as on Windows, where no such variable is set),
// the system's own regional settings.
QLocale localeFromEnvironment() {
    for (const char* variable : {"LC_ALL", "LC_TIME", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value && *value)
            return QLocale(QString::fromLocal8Bit(value).section('.', 0, 0).section('@', 0, 0));
    }
    return QLocale::system();
}

// Qt's long time formats carry a time zone ("t"); the system's long time has none.
QString withoutTimeZone(QString format) {
    format.remove(QRegularExpression(QStringLiteral("\\s*t+\\s*")));
    return format.trimmed();
}

} // namespace

RegionalFormats RegionalFormats::fromEnvironment() {
    const QLocale locale = localeFromEnvironment();
    return {locale, locale.dateFormat(QLocale::ShortFormat), locale.dateFormat(QLocale::LongFormat),
            withoutTimeZone(locale.timeFormat(QLocale::LongFormat))};
}

QString RegionalFormats::formatShortDate(const QDate& date) const {
    return locale.toString(date, shortDate);
}

QString RegionalFormats::formatLongTime(const QTime& time) const {
    return locale.toString(time, longTime);
}

QString RegionalFormats::formatDateTime(const QDateTime& dateTime) const {
    const QString date = formatShortDate(dateTime.date());
    // The time is shown to the second: any moment within a day's first second is its midnight.
    const QTime time = dateTime.time();
    if (time.hour() == 0 && time.minute() == 0 && time.second() == 0)
        return date;
    return date + ' ' + formatLongTime(dateTime.time());
}

} // namespace ronvalo
