// The weekly backup reminder's date arithmetic.
#pragma once

#include <QDate>

namespace ronvalo {

struct CalendarDifference {
    int years = 0;
    int months = 0;
    int days = 0;
};

// Years, months and days from the earlier to the later of two calendar dates (times ignored).
CalendarDifference calendarDifference(QDate a, QDate b);

// Due when the last backup and now are more than seven calendar days apart, either way.
bool backupReminderDue(QDate lastBackup, QDate today);

} // namespace ronvalo
