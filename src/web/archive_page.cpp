// "Archiwum": what the archive check found of the account's instruments, the last digest, the
// period's downloads with each one's archived transmission as a file, and the period's evidence.
#include "core/common/clock.h"
#include "core/proof/archive_check.h"
#include "core/store/archived_download.h"
#include "core/store/rounds_downloads.h"
#include "core/store/transfer.h"
#include "web/instrument_cut.h"
#include "web/pages.h"
#include "web/report_choices.h"
#include "web/visit.h"

namespace ronvalo::web {

namespace {

// Whether the account sees a finding: one naming an instrument it sees. Findings of the whole
// chain or of other instruments stay with the roles that see everything.
bool seesFinding(const InstrumentCut& cut, const ArchiveFinding& finding) {
    return cut.seesAll() ||
           (!finding.instrument.isEmpty() &&
            (cut.instrument(finding.instrument) || cut.seesStoredInstrument(finding.instrument)));
}

QString checkSection(Visit& visit) {
    ArchiveCheck check = *checkArchive(visit.dm);
    const qsizetype all = check.findings.size();
    check.findings.removeIf(
        [&](const ArchiveFinding& finding) { return !seesFinding(visit.cut, finding); });
    QString html = QStringLiteral("<h2>Sprawdzenie archiwum odczytów</h2><p class=\"%1\">%2</p>")
                       .arg(check.clean() ? QStringLiteral("ok") : QStringLiteral("error"),
                            esc(archiveCheckSummary(check)));
    if (!check.findings.isEmpty()) {
        QList<QStringList> rows;
        for (const ArchiveFinding& finding : check.findings)
            rows << QStringList{finding.download ? QString::number(finding.download) : QString(),
                                esc(finding.instrument), esc(finding.text)};
        html += htmlTable({QStringLiteral("Nr odczytu"), QStringLiteral("Czytnik"),
                           QStringLiteral("Niezgodność")},
                          rows);
    }
    if (const qsizetype others = all - check.findings.size(); others > 0)
        html += QStringLiteral("<p class=\"notice\">Niezgodności dotyczące innych czytników albo "
                               "całego archiwum: %1.</p>")
                    .arg(others);
    html += QStringLiteral("<p>Ostatni skrót archiwum: <span class=\"mono\">%1</span></p>")
                .arg(check.lastDigest.isEmpty() ? QStringLiteral("brak") : check.lastDigest);
    return html;
}

QString downloadsSection(Visit& visit, const QDate& from, const QDate& to) {
    QList<QStringList> rows;
    for (const DownloadClock& download : loadDownloadClocks(visit.dm, from, to))
        if (visit.cut.instrument(download.instrument))
            rows << QStringList{QString::number(download.download), esc(download.instrument),
                                download.received.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
                                QStringLiteral("<a href=\"/archiwum/odczyt?nr=%1\">plik</a> "
                                               "<a href=\"/odbicia?odczyt=%1\">odbicia</a>")
                                    .arg(download.download)};
    const QString query = (queryItem("od", from.toString(Qt::ISODate)) + QLatin1Char('&') +
                           queryItem("do", to.toString(Qt::ISODate)))
                              .toHtmlEscaped();
    QString html =
        QStringLiteral("<h2>Odczyty okresu</h2>"
                       "<form method=\"get\" action=\"/archiwum\" class=\"choices\">"
                       "<label>od<input type=\"date\" name=\"od\" value=\"%1\"></label>"
                       "<label>do<input type=\"date\" name=\"do\" value=\"%2\"></label>"
                       "<button type=\"submit\">Pokaż</button></form>"
                       "<p class=\"links\"><a href=\"/archiwum/dowod?%3\">Dowód okresu</a></p>")
            .arg(from.toString(Qt::ISODate), to.toString(Qt::ISODate), query);
    html +=
        rows.isEmpty()
            ? QStringLiteral("<p class=\"notice\">Brak zarchiwizowanych odczytów w okresie.</p>")
            : htmlTable({QStringLiteral("Nr odczytu"), QStringLiteral("Czytnik"),
                         QStringLiteral("Odebrano"), QStringLiteral("Pliki")},
                        rows);
    return html;
}

} // namespace

std::optional<std::pair<QDate, QDate>> archivePeriod(Visit& visit) {
    const QDate today = Clock::now().date();
    QDate from = today.addDays(-30);
    QDate to = today;
    for (const auto& [name, target] : {std::pair{"od", &from}, {"do", &to}}) {
        const QString text = visit.param(name);
        if (text.isEmpty())
            continue;
        *target = QDate::fromString(text, QStringLiteral("yyyy-MM-dd"));
        if (!target->isValid() || text.size() != 10) {
            sendPage(visit, QStringLiteral("/archiwum"), QStringLiteral("Archiwum"),
                     QStringLiteral("<p class=\"error\">Nieprawidłowa data.</p>"), 400);
            return std::nullopt;
        }
    }
    return std::pair{from, to};
}

void archivePage(Visit& visit) {
    const auto period = archivePeriod(visit);
    if (!period)
        return;
    const QString body =
        checkSection(visit) + downloadsSection(visit, period->first, period->second);
    visit.logNote = QStringLiteral("sprawdzenie archiwum");
    sendPage(visit, QStringLiteral("/archiwum"), QStringLiteral("Archiwum"), body);
}

void archivedTransmission(Visit& visit) {
    bool number = false;
    const qint32 download = visit.param("nr").toInt(&number);
    std::optional<QByteArray> bytes;
    if (number && download > 0 && visit.cut.seesDownload(visit.dm, download))
        bytes = ronvalo::archivedTransmission(visit.dm, download);
    if (!bytes) {
        sendNotFound(visit);
        return;
    }
    visit.logNote = QStringLiteral("plik odczytu %1").arg(download);
    sendFile(visit, *bytes, "application/octet-stream",
             QStringLiteral("odczyt-%1.txt").arg(download));
}

} // namespace ronvalo::web
