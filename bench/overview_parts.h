// Where the overview's and the report's time goes: their readings timed one by one in the
// benchmark's own process, on the same tables the service reads.
#pragma once

#include <QDate>
#include <QString>

namespace ronvalo::bench {

// Prints each part's median wall and processor time of three runs after one; `month` is the
// report's first day.
void printOverviewParts(const QString& folder, const QDate& month);

} // namespace ronvalo::bench
