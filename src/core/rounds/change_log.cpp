// Service log lines of the rounds' windows: field by field, old value "na" new value.
#include "core/rounds/change_log.h"

#include <QMap>
#include <array>
#include <optional>

#include "core/common/regional.h"
#include "core/rounds/names.h"

namespace ronvalo {

namespace {

const std::array<const char*, 7> dayCaptions{"Pn", "Wt", "Śr", "Cz", "Pt", "So", "Nd"};

QString quoted(const QString& text) {
    return QStringLiteral("„") + text + QStringLiteral("”");
}

QString dateText(const QDate& date) {
    return date.isValid() ? RegionalFormats::fromEnvironment().formatShortDate(date)
                          : QStringLiteral("brak");
}

QString timeText(const QTime& time) {
    return time.isValid() ? time.toString(QStringLiteral("HH:mm")) : QStringLiteral("brak");
}

// "Pn–Nd" for every day, otherwise the days one by one.
QString daysText(int weekdays) {
    if ((weekdays & 0x7f) == 0x7f)
        return QStringLiteral("Pn–Nd");
    QStringList days;
    for (std::size_t i = 0; i < dayCaptions.size(); ++i)
        if (weekdays >> i & 1)
            days << QString::fromUtf8(dayCaptions[i]);
    return days.isEmpty() ? QStringLiteral("brak") : days.join(QLatin1Char(' '));
}

QString stepsText(const QList<PlanStep>& steps) {
    QStringList texts;
    for (const PlanStep& step : steps)
        texts << QString::number(step.checkpoint) +
                     (step.optional ? QStringLiteral(" (opc.)") : QString());
    return texts.isEmpty() ? QStringLiteral("brak") : texts.join(QStringLiteral(", "));
}

struct FieldValue {
    const char* caption;
    QString value;
};

// Every field of the plan window with its value, in the window's order.
QList<FieldValue> fieldValues(const Plan& plan) {
    return {
        {"Nazwa", quoted(plan.name)},
        {"Czytnik", plan.instrument},
        {"Kolejność",
         plan.order == StepOrder::Any ? QStringLiteral("dowolna") : QStringLiteral("stała")},
        {"Punkty obchodu", stepsText(plan.steps)},
        {"Dni", daysText(plan.weekdays)},
        {"Pierwszy start", timeText(plan.firstStart)},
        {"Ostatni start", timeText(plan.lastStart)},
        {"Co (min)", QString::number(plan.interval)},
        {"Tolerancja (min)", QString::number(plan.tolerance)},
        {"Czas obchodu (min)", QString::number(plan.duration)},
        {"Obowiązuje od", dateText(plan.validFrom)},
        {"do", dateText(plan.validTo)},
    };
}

QString fieldText(const FieldValue& field) {
    return QString::fromUtf8(field.caption) + QStringLiteral(": ") + field.value;
}

// "Tolerancja (min): 15 na 5; Co (min): 0 na 60", the fields that differ; empty when none.
QString differences(const QList<FieldValue>& before, const QList<FieldValue>& after) {
    QStringList changes;
    for (qsizetype i = 0; i < before.size() && i < after.size(); ++i)
        if (before[i].value != after[i].value)
            changes << fieldText(before[i]) + QStringLiteral(" na ") + after[i].value;
    return changes.join(QStringLiteral("; "));
}

QString planLogLine(const EditedPlan& plan, const QList<Plan>& after) {
    if (plan.deleted)
        return plan.stored.isEmpty()
                   ? QString()
                   : QStringLiteral("Usunięcie planu ") + quoted(plan.stored.last().name);
    if (plan.stored.isEmpty()) {
        QStringList fields;
        for (const FieldValue& field : fieldValues(plan.shown).mid(1))
            fields << fieldText(field);
        return QStringLiteral("Dodanie planu ") + quoted(plan.shown.name) + QStringLiteral(" - ") +
               fields.join(QStringLiteral("; "));
    }
    QString changes = differences(fieldValues(plan.stored.last()), fieldValues(plan.shown));
    if (changes.isEmpty())
        return {};
    // A period with no id yet is the one the change begins.
    for (const Plan& period : after)
        if (period.id == 0)
            changes += QStringLiteral(" (nowy okres od %1)").arg(dateText(period.validFrom));
    return QStringLiteral("Zmiana planu ") + quoted(plan.stored.last().name) +
           QStringLiteral(" - ") + changes;
}

} // namespace

QString periodSummary(const Plan& plan) {
    QString starts = timeText(plan.firstStart);
    if (plan.interval > 0)
        starts += QStringLiteral("–%1 co %2 min").arg(timeText(plan.lastStart)).arg(plan.interval);
    return QStringLiteral("%1, %2, %3, tolerancja %4 min, czas %5 min, punkty %6")
        .arg(plan.instrument, daysText(plan.weekdays), starts)
        .arg(plan.tolerance)
        .arg(plan.duration)
        .arg(stepsText(plan.steps));
}

QStringList planLogLines(const QList<EditedPlan>& plans, const QList<QList<Plan>>& after) {
    QStringList lines;
    for (qsizetype i = 0; i < plans.size(); ++i)
        if (const QString line = planLogLine(plans[i], after.value(i)); !line.isEmpty())
            lines << line;
    return lines;
}

QStringList checkpointLogLines(const QList<Checkpoint>& before, const QList<Checkpoint>& after) {
    // Each side as listed, or unnamed with its default tick when not listed.
    QMap<qint32, std::pair<std::optional<Checkpoint>, std::optional<Checkpoint>>> byNumber;
    for (const Checkpoint& checkpoint : before)
        byNumber[checkpoint.number].first = checkpoint;
    for (const Checkpoint& checkpoint : after)
        byNumber[checkpoint.number].second = checkpoint;
    auto fields = [](qint32 number, const std::optional<Checkpoint>& checkpoint) {
        const Checkpoint shown =
            checkpoint.value_or(Checkpoint{number, QString(), incidentByDefault(number)});
        return QList<FieldValue>{
            {"Nazwa", quoted(shown.name)},
            {"Zdarzenie", shown.incident ? QStringLiteral("tak") : QStringLiteral("nie")}};
    };
    QStringList lines;
    for (auto it = byNumber.cbegin(); it != byNumber.cend(); ++it)
        if (const QString changes =
                differences(fields(it.key(), it->first), fields(it.key(), it->second));
            !changes.isEmpty())
            lines << QStringLiteral("Zmiana punktu kontrolnego %1 - %2").arg(it.key()).arg(changes);
    return lines;
}

QStringList instrumentLogLines(const QList<InstrumentName>& before,
                               const QList<InstrumentName>& after) {
    QMap<QString, std::pair<QString, QString>> byNumber;
    for (const InstrumentName& instrument : before)
        byNumber[instrument.instrument].first = instrument.description;
    for (const InstrumentName& instrument : after)
        byNumber[instrument.instrument].second = instrument.description;
    QStringList lines;
    for (auto it = byNumber.cbegin(); it != byNumber.cend(); ++it)
        if (it->first != it->second)
            lines << QStringLiteral("Zmiana opisu czytnika %1: %2 na %3")
                         .arg(it.key(), quoted(it->first), quoted(it->second));
    return lines;
}

} // namespace ronvalo
