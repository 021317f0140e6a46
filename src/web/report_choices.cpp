// The exception report's choices and cut.
#include "web/report_choices.h"

#include <QUrl>

#include "core/common/natural_order.h"
#include "core/rounds/round_colours.h"
#include "core/rounds/rounds_store.h"
#include "web/instrument_cut.h"
#include "web/transfers_cache.h"
#include "web/visit.h"

namespace ronvalo::web {

namespace {

// A date of the form "2026-12-09"; nullopt for anything else.
std::optional<QDate> dateParam(const QString& text) {
    const QDate date = QDate::fromString(text, QStringLiteral("yyyy-MM-dd"));
    if (!date.isValid() || text.size() != 10)
        return std::nullopt;
    return date;
}

} // namespace

QStringList visiblePlans(TDM3& dm, const InstrumentCut& cut) {
    QStringList names;
    for (const Plan& plan : loadPlans(dm))
        if (!names.contains(plan.name) && cut.instrument(plan.instrument))
            names.append(plan.name);
    std::sort(names.begin(), names.end(), naturalLess);
    return names;
}

std::optional<ExceptionReportChoices> reportChoices(Visit& visit, QString* problem) {
    ExceptionReportChoices choices = initialExceptionReportChoices();
    for (const auto& [name, target] : {std::pair{"od", &choices.from}, {"do", &choices.to}}) {
        if (!visit.hasParam(name) || visit.param(name).isEmpty())
            continue;
        const std::optional<QDate> date = dateParam(visit.param(name));
        if (!date) {
            *problem = QStringLiteral("Nieprawidłowa data: %1 (oczekiwano RRRR-MM-DD).")
                           .arg(visit.param(name).left(40));
            return std::nullopt;
        }
        *target = *date;
    }
    if (const QString asked = visit.param("czytnik"); !asked.isEmpty()) {
        choices.instrument = visit.cut.instrument(asked);
        if (!choices.instrument)
            return std::nullopt;
    }
    if (const QString asked = visit.param("plan"); !asked.isEmpty()) {
        if (!visiblePlans(visit.dm, visit.cut).contains(asked))
            return std::nullopt;
        choices.plan = asked;
    }
    choices.exceptionsOnly = visit.param("wyjatki") == QLatin1String("1");
    return choices;
}

void cutTables(ExceptionReportTables& tables, const InstrumentCut& cut) {
    if (cut.seesAll())
        return;
    tables.plans.removeIf([&](const Plan& plan) { return !cut.instrument(plan.instrument); });
    tables.punches.removeIf(
        [&](const Punch& punch) { return !cut.seesStoredInstrument(punch.Nrczyt); });
    tables.downloadClocks.removeIf(
        [&](const DownloadClock& clock) { return !cut.instrument(clock.instrument); });
}

ExceptionReport reportFor(Visit& visit, const ExceptionReportChoices& choices) {
    ExceptionReportTables tables = loadExceptionReportTables(
        visit.dm, choices, {}, [&](TDM3& dm) { return visit.transfers.transfers(dm); });
    cutTables(tables, visit.cut);
    return buildExceptionReport(tables, choices);
}

QString queryItem(const char* name, const QString& value) {
    // Every character but letters, digits and "-._~" encoded: "+" and "&" in a plan's name too.
    return QLatin1String(name) + QLatin1Char('=') +
           QString::fromLatin1(QUrl::toPercentEncoding(value));
}

QString choicesQuery(const ExceptionReportChoices& choices) {
    QStringList items = {queryItem("od", choices.from.toString(Qt::ISODate)),
                         queryItem("do", choices.to.toString(Qt::ISODate))};
    if (choices.instrument)
        items << queryItem("czytnik", *choices.instrument);
    if (choices.plan)
        items << queryItem("plan", *choices.plan);
    if (choices.exceptionsOnly)
        items << queryItem("wyjatki", QStringLiteral("1"));
    return items.join(QLatin1Char('&'));
}

} // namespace ronvalo::web
