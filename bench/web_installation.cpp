// The web benchmark's installation, filled a day at a time.
#include "web_installation.h"

#include "core/store/archive.h"
#include "core/store/data_module.h"
#include "core/store/rounds_tables.h"
#include "core/store/schema.h"
#include "core/store/stored_dates.h"

#include <QSqlError>
#include <algorithm>

namespace ronvalo::bench {

namespace {

// The instruments' clocks run up to four minutes ahead of the computer's.
QDateTime instrumentClockAt(const QDateTime& transfer, int instrument) {
    const QDateTime clock = transfer.addSecs(60 * (instrument % 5));
    return QDateTime(clock.date(), QTime(clock.time().hour(), clock.time().minute()));
}

// The rows of the download table, written straight to its file in one transaction.
class DownloadWriter {
public:
    explicit DownloadWriter(const QString& file) : file_(file), insert_(file_.database()) {
        insert_.prepare(QStringLiteral("INSERT INTO NrOdc (Nrodczytu, Data) VALUES (?, ?)"));
        file_.database().transaction();
    }
    void add(qint32 download, const QDateTime& transfer) {
        insert_.bindValue(0, download);
        insert_.bindValue(1, storedDateTime(transfer));
        if (!insert_.exec())
            fail(insert_.lastError().text());
    }
    void commit() { file_.database().commit(); }

private:
    SqliteConnection file_;
    QSqlQuery insert_;
};

std::vector<Generated> dayRounds(const QList<Plan>& plans, const QDate& day, int instruments,
                                 QRandomGenerator& random) {
    std::vector<Generated> punches;
    for (int k = 0; k < instruments; ++k)
        for (const Plan& plan : {plans[2 * k], plans[2 * k + 1]})
            for (int t0 : roundStarts(plan))
                walk(plan, day, t0, k, random, punches);
    return punches;
}

void addPatrols(std::vector<Generated>& punches, const QDate& day, int instruments, qint64 patrols,
                QRandomGenerator& random) {
    for (qint64 n = 0; n < patrols; ++n) {
        const qint32 checkpoint = patrolCheckpoint(random);
        const int minute = random.bounded(1440);
        punches.push_back({day, minute, checkpoint, random.bounded(instruments)});
    }
    std::stable_sort(punches.begin(), punches.end(), [](const Generated& a, const Generated& b) {
        return std::pair(a.instrument, a.minute) < std::pair(b.instrument, b.minute);
    });
}

// The punches of every day, and the download table's rows of every day but the last: those are
// added with their archive rows once the archive has begun. Returns the last day's punches by
// instrument.
std::vector<std::vector<Generated>> fillPunches(const WebFillPlan& plan, const QList<Plan>& plans,
                                                TDM3& paths, qint64& stored) {
    QRandomGenerator random(171);
    std::vector<std::vector<Generated>> lastDownloads(std::size_t(plan.instruments));
    PunchWriter punches(paths.tbOdbicia.filePath());
    DownloadWriter downloads(paths.tbNrOdc.filePath());
    const int days = int(plan.first.daysTo(plan.last)) + 1;
    for (int d = 0; d < days; ++d) {
        const QDate day = plan.first.addDays(d);
        std::vector<Generated> today = dayRounds(plans, day, plan.instruments, random);
        addPatrols(today, day, plan.instruments,
                   patrolsFor(plan.punches, d, days, stored, qint64(today.size())), random);
        for (const Generated& punch : today) {
            punches.add(punch, downloadNumber(d, punch.instrument, plan.instruments));
            if (d == days - 1)
                lastDownloads[std::size_t(punch.instrument)].push_back(punch);
        }
        stored += qint64(today.size());
        if (d < days - 1)
            for (int k = 0; k < plan.instruments; ++k)
                downloads.add(downloadNumber(d, k, plan.instruments), transferOf(day, k));
    }
    downloads.commit();
    punches.finish();
    return lastDownloads;
}

void saveNames(TDM3& dm, int instruments) {
    QList<InstrumentName> names;
    for (int k = 0; k < instruments; ++k) {
        dm.insertReader(instrumentName(k));
        names.append({instrumentName(k), QStringLiteral("Obiekt %1").arg(k + 1)});
    }
    saveInstruments(dm, names);
    QList<Checkpoint> checkpoints;
    for (qint32 number = 1; number <= 40; ++number)
        checkpoints.append({number, QStringLiteral("Punkt %1").arg(number), false});
    for (qint32 number = 171; number <= 174; ++number)
        checkpoints.append({number, QStringLiteral("Zdarzenie %1").arg(number - 170), true});
    saveCheckpoints(dm, checkpoints);
}

} // namespace

qint32 downloadNumber(int day, int instrument, int instruments) {
    return day * instruments + instrument + 1;
}

QDateTime transferOf(const QDate& day, int instrument) {
    return QDateTime(day.addDays(1), QTime(6, 30).addSecs(60 * instrument));
}

qint64 patrolsFor(qint64 total, int day, int days, qint64 storedBefore, qint64 roundPunches) {
    const qint64 reached = total * (day + 1) / days;
    return std::max<qint64>(0, reached - storedBefore - roundPunches);
}

QByteArray transmission(const QString& instrument, const QDateTime& clock,
                        const std::vector<Generated>& punches) {
    QByteArray text = "*-*-*-*-*-*-*-\r\n##" + instrument.toLatin1() + "##\r\n" +
                      clock.toString(QStringLiteral("yy-MM-dd HH:mm")).toLatin1() +
                      "\r\n- - - - - - - \r\n";
    QDate running;
    for (const Generated& punch : punches) {
        if (storedDay(punch) != running) {
            running = storedDay(punch);
            text += running.toString(QStringLiteral("'-- 'yy-MM-dd")).toLatin1() + "\r\n";
        }
        text += '#' + QByteArray::number(punch.checkpoint) + ' ' +
                storedClock(punch).toString(QStringLiteral("HH:mm")).toLatin1() + "\r\n";
    }
    return text;
}

qint64 fillWebInstallation(const WebFillPlan& plan) {
    QString error;
    if (!createEmptyDatabase(plan.folder, &error))
        fail(error);
    const QList<Plan> plans = makePlans(plan.instruments, plan.first.addDays(-30));
    TDM3 dm;
    dm.setDatabaseFolder(plan.folder + "/db/");
    qint64 stored = 0;
    const std::vector<std::vector<Generated>> last = fillPunches(plan, plans, dm, stored);
    // Opening for writing begins the archive: it pins every download stored so far.
    dm.openTables();
    saveNames(dm, plan.instruments);
    replacePlanPeriods(dm, {}, plans);
    const int lastDay = int(plan.first.daysTo(plan.last));
    for (int k = 0; k < plan.instruments; ++k) {
        const QDateTime transfer = transferOf(plan.last, k);
        const QDateTime clock = instrumentClockAt(transfer, k);
        Transaction transaction(dm);
        const qint32 download = dm.appendDownload(transfer);
        if (download != downloadNumber(lastDay, k, plan.instruments))
            fail(QStringLiteral("download %1 numbered %2").arg(k).arg(download));
        appendArchiveRow(dm, {download,
                              instrumentName(k),
                              transfer,
                              clock,
                              transmission(instrumentName(k), clock, last[std::size_t(k)]),
                              {},
                              {}});
        transaction.commit();
    }
    return stored;
}

} // namespace ronvalo::bench
