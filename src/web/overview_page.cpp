// "Przegląd": the overview's table with a chart of each day's compliance.
#include <QUrl>

#include "core/common/clock.h"
#include "core/rounds/clock_drift.h"
#include "core/rounds/names.h"
#include "core/store/transfer.h"
#include "web/overview.h"
#include "web/overview_cache.h"
#include "web/pages.h"
#include "web/transfers_cache.h"
#include "web/visit.h"

namespace ronvalo::web {

namespace {

constexpr int barWidth = 8;
constexpr int chartHeight = 40;

// The day's bar: as high as its compliance, green from 95 %, orange from 80 %, red below; a grey
// mark for a day with nothing planned. Its title names the day and the figure.
QString dayBar(int index, const QDate& day, const RoundCounts& counts) {
    const std::optional<double> percent = compliancePercent(counts);
    const QString title = QStringLiteral("<title>%1: %2</title>")
                              .arg(day.toString(Qt::ISODate), esc(complianceText(counts)));
    const int x = index * barWidth;
    if (!percent)
        return QStringLiteral("<rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"2\" fill=\"#bbb\">%4"
                              "</rect>")
            .arg(x)
            .arg(chartHeight - 2)
            .arg(barWidth - 2)
            .arg(title);
    const int height = std::max(2, int(*percent * chartHeight / 100.0 + 0.5));
    const char* colour = *percent >= 95.0 ? "#3a9a3a" : *percent >= 80.0 ? "#e09020" : "#d04040";
    return QStringLiteral(
               "<rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" fill=\"%5\">%6</rect>")
        .arg(x)
        .arg(chartHeight - height)
        .arg(barWidth - 2)
        .arg(height)
        .arg(QLatin1String(colour), title);
}

QString chart(const InstrumentOverview& instrument, const QDate& today) {
    QString svg = QStringLiteral("<svg class=\"chart\" width=\"%1\" height=\"%2\" role=\"img\" "
                                 "aria-label=\"Zgodność dzień po dniu, ostatnie 30 dni\" "
                                 "xmlns=\"http://www.w3.org/2000/svg\">")
                      .arg(overviewDays * barWidth)
                      .arg(chartHeight);
    for (int i = 0; i < overviewDays; ++i)
        svg += dayBar(i, today.addDays(i + 1 - overviewDays), instrument.days[std::size_t(i)]);
    return svg + QStringLiteral("</svg>");
}

QString lastDownloadCell(const InstrumentOverview& instrument, const QDateTime& now) {
    const QString overdue = overdueText(instrument, now);
    QString cell;
    if (instrument.lastDownload != 0)
        cell = QStringLiteral("%1 (%2)").arg(
            instrument.lastTransfer.toString(QStringLiteral("yyyy-MM-dd HH:mm")),
            agoText(instrument.lastTransfer, now));
    if (!overdue.isEmpty())
        cell += QStringLiteral("%1<strong class=\"late\">%2</strong>")
                    .arg(cell.isEmpty() ? QString() : QStringLiteral("<br>"), esc(overdue));
    return cell;
}

QString clockCell(const InstrumentOverview& instrument) {
    if (!instrument.clockKnown)
        return QStringLiteral("–");
    const DownloadClock clock{
        instrument.lastDownload, instrument.instrument, {}, instrument.driftMinutes};
    if (clockNeedsChecking(clock))
        return QStringLiteral("<strong class=\"late\">%1</strong>")
            .arg(esc(clockDriftText(instrument.driftMinutes)));
    return QStringLiteral("zgodny (%1 min)").arg(*instrument.driftMinutes);
}

} // namespace

void overviewPage(Visit& visit) {
    const QDateTime local = Clock::now();
    // Transfers are kept as wall-clock times: compared with the same.
    const QDateTime now(local.date(), local.time(), Qt::UTC);
    const Overview overview = visit.overviews.of(visit.dm, visit.cut, local, visit.transfers);
    QList<QStringList> rows;
    for (const InstrumentOverview& instrument : overview.instruments)
        rows.append({QStringLiteral("<a href=\"/raport?czytnik=%1\">%2</a>")
                         .arg(QString::fromLatin1(QUrl::toPercentEncoding(instrument.instrument)),
                              esc(instrument.instrument)),
                     esc(instrument.description), lastDownloadCell(instrument, now),
                     clockCell(instrument), esc(complianceText(instrument.lastWeek)),
                     esc(complianceText(instrument.lastMonth)), chart(instrument, overview.today)});
    const QString body =
        overview.instruments.isEmpty()
            ? QStringLiteral("<p class=\"notice\">Brak czytników.</p>")
            : htmlTable({QStringLiteral("Czytnik"), QStringLiteral("Opis"),
                         QStringLiteral("Ostatni odczyt"), QStringLiteral("Zegar czytnika"),
                         QStringLiteral("Zgodność 7 dni"), QStringLiteral("Zgodność 30 dni"),
                         QStringLiteral("Ostatnie 30 dni")},
                        rows);
    sendPage(visit, QStringLiteral("/"), QStringLiteral("Przegląd"), body);
}

} // namespace ronvalo::web
