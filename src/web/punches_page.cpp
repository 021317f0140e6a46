// "Odbicia": the punches of a period and instrument, or of one download, a page at a time, each
// page read from the key the last one ended at.
#include <QRegularExpression>
#include <QUrl>

#include "core/common/clock.h"
#include "core/rounds/exception_report.h"
#include "core/rounds/names.h"
#include "core/store/punch_pages.h"
#include "core/store/rounds_tables.h"
#include "web/instrument_cut.h"
#include "web/pages.h"
#include "web/report_choices.h"
#include "web/visit.h"

namespace ronvalo::web {

namespace {

constexpr int pageRows = 100;

// The next page's key in an address: "2026-12-09~08:15:00~1234". nullopt for anything else.
std::optional<PunchKey> keyParam(const QString& text) {
    static const QRegularExpression form(
        QStringLiteral("^(\\d{4}-\\d{2}-\\d{2})~(\\d{2}:\\d{2}(?::\\d{2})?)~(\\d{1,18})$"));
    const QRegularExpressionMatch match = form.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    return PunchKey{match.captured(1), match.captured(2), match.captured(3).toLongLong()};
}

QString keyText(const PunchKey& key) {
    return QStringLiteral("%1~%2~%3").arg(key.data, key.czas).arg(key.autoNr);
}

std::optional<QDate> dateOf(const QString& text, const QDate& absent, bool* wrong) {
    if (text.isEmpty())
        return absent;
    const QDate date = QDate::fromString(text, QStringLiteral("yyyy-MM-dd"));
    if (!date.isValid() || text.size() != 10)
        *wrong = true;
    return date.isValid() ? std::optional(date) : std::nullopt;
}

struct PunchChoices {
    QDate from;
    QDate to;
    QString instrument;  // empty: every instrument the account sees (those that see all)
    qint32 download = 0; // not 0: that download's punches
    QString query;       // the choices in an address, without the key
};

QString form(Visit& visit, const PunchChoices& choices) {
    const InstrumentNames names(loadInstruments(visit.dm));
    QString options =
        visit.cut.seesAll() ? QStringLiteral("<option value=\"\">wszystkie</option>") : QString();
    for (const QString& number : visit.cut.visible())
        options += QStringLiteral("<option value=\"%1\"%2>%3</option>")
                       .arg(esc(number),
                            number == choices.instrument ? QStringLiteral(" selected") : QString(),
                            esc(names.label(number)));
    return QStringLiteral(
               "<form method=\"get\" action=\"/odbicia\" class=\"choices\">"
               "<label>od<input type=\"date\" name=\"od\" value=\"%1\"></label>"
               "<label>do<input type=\"date\" name=\"do\" value=\"%2\"></label>"
               "<label>Czytnik<select name=\"czytnik\">%3</select></label>"
               "<label>Nr odczytu<input name=\"odczyt\" inputmode=\"numeric\" size=\"8\" "
               "value=\"%4\"></label><button type=\"submit\">Pokaż</button></form>")
        .arg(choices.from.toString(Qt::ISODate), choices.to.toString(Qt::ISODate), options,
             choices.download ? QString::number(choices.download) : QString());
}

// The choices of the request; nullopt once the answer is sent (a wrong value, or an instrument
// or download the account does not see).
std::optional<PunchChoices> punchChoices(Visit& visit) {
    const QDate today = Clock::now().date();
    bool wrong = false;
    PunchChoices choices;
    choices.from = dateOf(visit.param("od"), today.addDays(-6), &wrong).value_or(QDate());
    choices.to = dateOf(visit.param("do"), today, &wrong).value_or(QDate());
    if (const QString download = visit.param("odczyt"); !download.isEmpty()) {
        bool number = false;
        choices.download = download.toInt(&number);
        if (!number || choices.download <= 0)
            wrong = true;
        else if (!visit.cut.seesDownload(visit.dm, choices.download)) {
            sendNotFound(visit);
            return std::nullopt;
        }
    }
    if (wrong) {
        sendPage(visit, QStringLiteral("/odbicia"), QStringLiteral("Odbicia"),
                 QStringLiteral("<p class=\"error\">Nieprawidłowa data albo numer odczytu.</p>"),
                 400);
        return std::nullopt;
    }
    const QString asked = visit.param("czytnik");
    if (!asked.isEmpty()) {
        const std::optional<QString> seen = visit.cut.instrument(asked);
        if (!seen) {
            sendNotFound(visit);
            return std::nullopt;
        }
        choices.instrument = *seen;
    } else if (!visit.cut.seesAll() && !visit.cut.visible().isEmpty()) {
        choices.instrument = visit.cut.visible().first();
    }
    QStringList items = {queryItem("od", choices.from.toString(Qt::ISODate)),
                         queryItem("do", choices.to.toString(Qt::ISODate))};
    if (!choices.instrument.isEmpty())
        items << queryItem("czytnik", choices.instrument);
    if (choices.download)
        items << queryItem("odczyt", QString::number(choices.download));
    choices.query = items.join(QLatin1Char('&'));
    return choices;
}

PunchSelection selectionOf(const PunchChoices& choices, const InstrumentCut& cut) {
    if (choices.download) {
        PunchCriteria criteria;
        criteria.downloadMode = true;
        criteria.download = choices.download;
        return PunchSelection::of(criteria);
    }
    if (choices.instrument.isEmpty())
        return cut.seesAll() ? PunchSelection::period(choices.from, choices.to)
                             : PunchSelection::of(PunchCriteria());
    PunchCriteria criteria;
    criteria.fromDate = choices.from;
    criteria.toDate = choices.to;
    // The punch table keeps an instrument's first 10 characters.
    criteria.instrument = choices.instrument.left(10);
    return PunchSelection::of(criteria);
}

} // namespace

void punchesPage(Visit& visit) {
    const std::optional<PunchChoices> choices = punchChoices(visit);
    if (!choices)
        return;
    std::optional<PunchKey> from;
    if (const QString key = visit.param("klucz"); !key.isEmpty()) {
        from = keyParam(key);
        if (!from) {
            sendNotFound(visit);
            return;
        }
    }
    const PunchPages::KeyedPage page =
        PunchPages::keyedPage(visit.dm, selectionOf(*choices, visit.cut), from, pageRows);
    QList<QStringList> rows;
    for (const Punch& punch : page.rows)
        rows << QStringList{
            punch.Data.toString(Qt::ISODate), punch.Czas.toString(QStringLiteral("HH:mm")),
            QString::number(punch.Nrwewpkt), esc(punch.Nrczyt), QString::number(punch.NrSczytania)};
    QString body = form(visit, *choices);
    body +=
        rows.isEmpty()
            ? QStringLiteral("<p class=\"notice\">Brak odbić.</p>")
            : htmlTable({QStringLiteral("Data"), QStringLiteral("Czas"), QStringLiteral("Punkt"),
                         QStringLiteral("Czytnik"), QStringLiteral("Nr odczytu")},
                        rows);
    body += QStringLiteral("<p class=\"links\">");
    if (from)
        body += QStringLiteral("<a href=\"/odbicia?%1\">Pierwsza strona</a>")
                    .arg(choices->query.toHtmlEscaped());
    if (page.next)
        body += QStringLiteral("<a href=\"/odbicia?%1&amp;%2\" rel=\"next\">Następna strona</a>")
                    .arg(choices->query.toHtmlEscaped(),
                         queryItem("klucz", keyText(*page.next)).toHtmlEscaped());
    body += QStringLiteral("</p>");
    visit.logNote = QStringLiteral("odbicia %1").arg(choices->query);
    sendPage(visit, QStringLiteral("/odbicia"), QStringLiteral("Odbicia"), body);
}

} // namespace ronvalo::web
