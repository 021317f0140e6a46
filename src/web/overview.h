// "Przegląd" without the page: for every instrument an account sees, its last download, that
// download's clock and how the rounds were walked over the last 7 and 30 days, day by day.
#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <array>
#include <optional>

#include "core/rounds/evaluation.h"
#include "core/rounds/exception_report.h"

namespace ronvalo {
class TDM3;
}

namespace ronvalo::web {

class InstrumentCut;

inline constexpr int overviewDays = 30;
// A download older than this many days is shown as overdue.
inline constexpr qint64 overdueDays = 7;

struct InstrumentOverview {
    QString instrument;      // NrCzytnika
    QString description;     // Opis; empty when none
    qint32 lastDownload = 0; // 0: never read
    QDateTime lastTransfer;  // the computer's time of that download
    bool clockKnown = false; // the download is archived with its instrument's clock
    std::optional<qint64> driftMinutes;
    RoundCounts lastWeek;                       // the last 7 days, today included
    RoundCounts lastMonth;                      // the last 30 days
    std::array<RoundCounts, overviewDays> days; // oldest first, today last
};

struct Overview {
    QDate today;
    QList<InstrumentOverview> instruments; // in natural order of their numbers
};

// Reads and judges the last 30 days up to `now` for the instruments of `cut`. Raises
// EDatabaseError when the tables cannot be read.
// `transfersOf` reads the downloads' transfers (loadTransfers() or what keeps them).
Overview buildOverview(TDM3& dm, const InstrumentCut& cut, const QDateTime& now,
                       const TransferSource& transfersOf);

// "Brak odczytu od 9 dni" when the last download is more than 7 days old at `now`, "Brak odczytu"
// when there is none; empty otherwise.
QString overdueText(const InstrumentOverview& instrument, const QDateTime& now);
// "3 godz. temu", "2 dni temu", "przed chwilą".
QString agoText(const QDateTime& moment, const QDateTime& now);

} // namespace ronvalo::web
