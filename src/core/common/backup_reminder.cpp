// Calendar difference counted the way the reminder has always counted it.
#include "core/common/backup_reminder.h"

#include <utility>

#include "core/common/ole_date.h"

namespace ronvalo {

CalendarDifference calendarDifference(QDate a, QDate b) {
    if (b < a)
        std::swap(a, b);
    CalendarDifference d;
    d.years = b.year() - a.year();
    if (b.month() < a.month()) {
        d.months += 12;
        d.years -= 1;
    }
    d.months += b.month() - a.month();
    if (b.day() < a.day()) {
        d.days += daysInMonth(a.year(), a.month());
        if (d.months == 0) {
            d.years -= 1;
            d.months = 11;
        } else {
            d.months -= 1;
        }
    }
    d.days += b.day() - a.day();
    return d;
}

bool backupReminderDue(QDate lastBackup, QDate today) {
    const CalendarDifference d = calendarDifference(lastBackup, today);
    return d.days > 7 || d.months > 0 || d.years > 0;
}

} // namespace ronvalo
