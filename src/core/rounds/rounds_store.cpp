// Reading and writing the rounds' tables of Obchody.db on the data module's one connection. Every
// statement is plain SQL that another engine runs as well: ids are counted here, not by the
// engine, and a name is replaced by deleting and inserting, never by an engine's own upsert.
#include "core/rounds/rounds_store.h"

#include <QHash>
#include <QMap>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <algorithm>
#include <optional>
#include <tuple>
#include <vector>

#include "core/common/exception.h"
#include "core/rounds/plan_rules.h"
#include "core/store/archive.h"
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

QList<Plan> loadPlans(TDM3& dm, PlanReading reading) {
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
    if (reading == PlanReading::Checked && !plans.isEmpty()) {
        const CheckpointNames names(loadNamedCheckpoints(dm));
        for (const Plan& plan : std::as_const(plans))
            if (const QString fault = storedPlanFault(plan, names); !fault.isEmpty())
                throw EDatabaseError(fault);
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

QList<DownloadClock> loadDownloadClocks(TDM3& dm, const QDate& from, const QDate& to) {
    QSqlQuery rows = runRoundsQuery(
        dm,
        // Each archived download looks for one punch of its own in the period through the
        // download index, where a list of the period's downloads took every punch of the period
        // (seconds for a year, even with an empty archive).
        QStringLiteral("SELECT a.Nrodczytu, a.NrCzytnika, a.Odebrano, a.ZegarCzytnika FROM "
                       "ob.Archiwum a WHERE EXISTS (SELECT 1 FROM main.Odbicia o WHERE "
                       "o.NrSczytania = a.Nrodczytu AND o.Data >= ? AND o.Data <= ?) "
                       "ORDER BY a.Nrodczytu"),
        {storedDate(from), storedDate(to)});
    QList<DownloadClock> clocks;
    while (rows.next()) {
        ArchiveRow row;
        row.received = receivedFromStored(rows.value(2).toString());
        if (!rows.value(3).isNull())
            row.instrumentClock = instrumentClockFromStored(rows.value(3).toString());
        clocks.append({rows.value(0).toInt(), rows.value(1).toString(), row.received,
                       clockDriftMinutes(row)});
    }
    return clocks;
}

namespace {

// NrOdc's Data as written ("2004-04-26 08:15:00"); a bare date counts from its midnight, the
// earliest the download can have been made.
QDateTime downloadMoment(const QString& text) {
    const QDateTime moment = receivedFromStored(text);
    if (moment.isValid())
        return moment;
    const QDate day = dateFromStored(text.left(10));
    return day.isValid() ? QDateTime(day, QTime(0, 0), Qt::UTC) : QDateTime();
}

} // namespace

QList<Transfer> loadTransfers(TDM3& dm) {
    QList<Transfer> transfers;
    QSqlQuery archived = runRoundsQuery(
        dm,
        QStringLiteral("SELECT Nrodczytu, NrCzytnika, Odebrano, ZegarCzytnika FROM ob.Archiwum"));
    while (archived.next()) {
        QDateTime moment;
        if (!archived.value(3).isNull())
            moment = instrumentClockFromStored(archived.value(3).toString());
        if (!moment.isValid())
            moment = receivedFromStored(archived.value(2).toString());
        transfers.append({archived.value(0).toInt(), archived.value(1).toString(), moment});
    }
    archived = QSqlQuery();
    // One download holds one instrument's punches: any of them names it.
    QSqlQuery older = runRoundsQuery(
        dm, QStringLiteral("SELECT d.Nrodczytu, d.Data, (SELECT o.Nrczyt FROM main.Odbicia o "
                           "WHERE o.NrSczytania = d.Nrodczytu LIMIT 1) FROM nr.NrOdc d "
                           "WHERE NOT EXISTS (SELECT 1 FROM ob.Archiwum a "
                           "WHERE a.Nrodczytu = d.Nrodczytu)"));
    while (older.next())
        if (!older.value(2).isNull())
            transfers.append({older.value(0).toInt(), older.value(2).toString(),
                              downloadMoment(older.value(1).toString())});
    return transfers;
}

QHash<QString, QDateTime> loadLatestPunches(TDM3& dm, const QStringList& instruments) {
    QHash<QString, QDateTime> latest;
    for (const QString& instrument : instruments) {
        QSqlQuery last =
            runRoundsQuery(dm,
                           QStringLiteral("SELECT Data, Czas FROM main.Odbicia WHERE Nrczyt = ? "
                                          "ORDER BY Data DESC, Czas DESC LIMIT 1"),
                           {instrument});
        if (last.next())
            latest.insert(instrument, QDateTime(dateFromStored(last.value(0).toString()),
                                                timeFromStored(last.value(1).toString()), Qt::UTC));
    }
    return latest;
}

} // namespace ronvalo
