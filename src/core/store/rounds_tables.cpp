// Reading and writing the rounds' tables of Obchody.db on the data module's one connection. Every
// statement is plain SQL that another engine runs as well: ids are counted here, not by the
// engine, and a name is replaced by deleting and inserting, never by an engine's own upsert.
#include "core/store/rounds_tables.h"

#include <QMap>
#include <QSqlQuery>
#include <QVariant>
#include <algorithm>
#include <tuple>

#include "core/store/archive_chain.h"
#include "core/store/data_module.h"
#include "core/store/reading_query.h"
#include "core/store/stored_dates.h"

namespace ronvalo {

namespace {

const QString timeFormat = QStringLiteral("HH:mm");

QVariant nullableDate(const QDate& date) {
    return date.isNull() ? QVariant(QMetaType::fromType<QString>()) : QVariant(storedDate(date));
}

Plan planFromQuery(const QSqlQuery& query) {
    Plan plan;
    plan.id = query.value(0).toLongLong();
    plan.name = query.value(1).toString();
    plan.instrument = query.value(2).toString();
    plan.order = query.value(3).toInt() == 1 ? StepOrder::Any : StepOrder::Fixed;
    plan.weekdays = query.value(4).toInt();
    plan.firstStart = QTime::fromString(query.value(5).toString(), timeFormat);
    plan.lastStart = QTime::fromString(query.value(6).toString(), timeFormat);
    plan.interval = query.value(7).toLongLong();
    plan.tolerance = query.value(8).toLongLong();
    plan.duration = query.value(9).toLongLong();
    plan.validFrom = dateFromStored(query.value(10).toString());
    if (!query.value(11).isNull())
        plan.validTo = dateFromStored(query.value(11).toString());
    return plan;
}

void insertPlan(TDM3& dm, const Plan& plan) {
    runRoundsQuery(
        dm,
        QStringLiteral("INSERT INTO ob.Plany (IdPlanu, Nazwa, NrCzytnika, Kolejnosc, Dni, "
                       "PierwszyStart, OstatniStart, Co, Tolerancja, CzasObchodu, Od, \"Do\") "
                       "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
        {plan.id, plan.name, plan.instrument, static_cast<int>(plan.order), plan.weekdays,
         plan.firstStart.toString(timeFormat), plan.lastStart.toString(timeFormat), plan.interval,
         plan.tolerance, plan.duration, storedDate(plan.validFrom), nullableDate(plan.validTo)});
    for (qsizetype i = 0; i < plan.steps.size(); ++i)
        runRoundsQuery(
            dm,
            QStringLiteral("INSERT INTO ob.KrokiPlanu (IdPlanu, Lp, Nrwewpkt, Opcjonalny) "
                           "VALUES (?, ?, ?, ?)"),
            {plan.id, static_cast<int>(i + 1), plan.steps[i].checkpoint,
             plan.steps[i].optional ? 1 : 0});
}

} // namespace

QSet<qint32> punchedCheckpoints(TDM3& dm) {
    QSet<qint32> numbers;
    QSqlQuery punched =
        runRoundsQuery(dm, QStringLiteral("SELECT DISTINCT Nrwewpkt FROM main.Odbicia"));
    while (punched.next())
        numbers.insert(punched.value(0).toInt());
    return numbers;
}

QList<Checkpoint> loadCheckpoints(TDM3& dm) {
    QMap<qint32, Checkpoint> byNumber;
    for (const qint32 number : punchedCheckpoints(dm))
        byNumber.insert(number, {number, QString(), incidentByDefault(number)});
    for (const Checkpoint& checkpoint : loadNamedCheckpoints(dm))
        byNumber.insert(checkpoint.number, checkpoint);
    return byNumber.values();
}

QList<Checkpoint> loadNamedCheckpoints(TDM3& dm) {
    QMap<qint32, Checkpoint> byNumber;
    QSqlQuery named =
        runRoundsQuery(dm, QStringLiteral("SELECT Nrwewpkt, Nazwa, Zdarzenie FROM ob.Punkty"));
    while (named.next()) {
        const qint32 number = named.value(0).toInt();
        byNumber.insert(number, {number, named.value(1).toString(), named.value(2).toInt() != 0});
    }
    return byNumber.values();
}

void saveCheckpoints(TDM3& dm, const QList<Checkpoint>& checkpoints) {
    Transaction transaction(dm);
    lockChain(dm);
    runRoundsQuery(dm, QStringLiteral("DELETE FROM ob.Punkty"));
    for (const Checkpoint& checkpoint : checkpoints)
        if (!checkpoint.name.isEmpty() ||
            checkpoint.incident != incidentByDefault(checkpoint.number))
            runRoundsQuery(dm,
                           QStringLiteral("INSERT INTO ob.Punkty (Nrwewpkt, Nazwa, Zdarzenie) "
                                          "VALUES (?, ?, ?)"),
                           {checkpoint.number, checkpoint.name, checkpoint.incident ? 1 : 0});
    appendStateRow(dm, namesKind);
    transaction.commit();
}

QList<InstrumentName> loadInstruments(TDM3& dm) {
    QMap<QString, QString> byNumber;
    for (const QString& instrument : dm.readers())
        byNumber.insert(instrument, QString());
    QSqlQuery described =
        runRoundsQuery(dm, QStringLiteral("SELECT NrCzytnika, Opis FROM ob.CzytnikiOpis"));
    while (described.next())
        byNumber.insert(described.value(0).toString(), described.value(1).toString());
    QList<InstrumentName> result;
    for (auto it = byNumber.cbegin(); it != byNumber.cend(); ++it)
        result.append({it.key(), it.value()});
    return result;
}

void saveInstruments(TDM3& dm, const QList<InstrumentName>& instruments) {
    Transaction transaction(dm);
    lockChain(dm);
    runRoundsQuery(dm, QStringLiteral("DELETE FROM ob.CzytnikiOpis"));
    for (const InstrumentName& instrument : instruments)
        if (!instrument.description.isEmpty())
            runRoundsQuery(
                dm, QStringLiteral("INSERT INTO ob.CzytnikiOpis (NrCzytnika, Opis) VALUES (?, ?)"),
                {instrument.instrument, instrument.description});
    appendStateRow(dm, namesKind);
    transaction.commit();
}

QList<Plan> loadStoredPlans(TDM3& dm) {
    QList<Plan> plans;
    QMap<qint64, qsizetype> indexById;
    QSqlQuery rows =
        runRoundsQuery(dm, QStringLiteral("SELECT IdPlanu, Nazwa, NrCzytnika, Kolejnosc, Dni, "
                                          "PierwszyStart, OstatniStart, Co, Tolerancja, "
                                          "CzasObchodu, Od, \"Do\" FROM ob.Plany"));
    while (rows.next()) {
        plans.append(planFromQuery(rows));
        indexById.insert(plans.last().id, plans.size() - 1);
    }
    QSqlQuery steps = runRoundsQuery(dm, QStringLiteral("SELECT IdPlanu, Nrwewpkt, Opcjonalny FROM "
                                                        "ob.KrokiPlanu ORDER BY IdPlanu, Lp"));
    while (steps.next()) {
        const auto found = indexById.constFind(steps.value(0).toLongLong());
        if (found != indexById.cend())
            plans[*found].steps.append({steps.value(1).toInt(), steps.value(2).toInt() != 0});
    }
    // Sorted here rather than by the engine, whose collation of names may differ.
    std::sort(plans.begin(), plans.end(), [](const Plan& a, const Plan& b) {
        return std::tie(a.name, a.validFrom, a.id) < std::tie(b.name, b.validFrom, b.id);
    });
    return plans;
}

void replacePlanPeriods(TDM3& dm, const QList<Plan>& removed, const QList<Plan>& written) {
    Transaction transaction(dm);
    lockChain(dm);
    // New ids follow every id in use before this save, so that none is taken twice.
    QSqlQuery highest = runRoundsQuery(dm, QStringLiteral("SELECT MAX(IdPlanu) FROM ob.Plany"));
    qint64 next = highest.next() ? highest.value(0).toLongLong() : 0;
    highest = QSqlQuery();
    for (const Plan& plan : written)
        next = std::max(next, plan.id);
    for (const Plan& plan : removed) {
        runRoundsQuery(dm, QStringLiteral("DELETE FROM ob.KrokiPlanu WHERE IdPlanu = ?"),
                       {plan.id});
        runRoundsQuery(dm, QStringLiteral("DELETE FROM ob.Plany WHERE IdPlanu = ?"), {plan.id});
    }
    for (Plan plan : written) {
        if (plan.id == 0)
            plan.id = ++next;
        insertPlan(dm, plan);
    }
    appendStateRow(dm, plansKind);
    transaction.commit();
}

} // namespace ronvalo
