// The web tests' installation.
#include "site_fixture.h"

#include "core/common/clock.h"
#include "core/common/cp1250.h"
#include "core/import/reader_dump.h"
#include "core/link/receive_buffer.h"
#include "core/store/archive.h"
#include "core/store/data_module.h"
#include "core/store/rounds_tables.h"
#include "web/accounts.h"

namespace ronvalo::web::test {

namespace {

// The rounds at 08:00, 12:00, 16:00 and 20:00 of one instrument's day, as punched: each round's
// four checkpoints a few minutes apart; a round missed or late on some days, so that the
// report has each colour.
QByteArray dayLines(const QDate& day, int instrument, int age) {
    QByteArray lines = day.toString(QStringLiteral("'-- 'yy-MM-dd")).toLatin1() + "\r\n";
    for (int hour : {8, 12, 16, 20}) {
        const bool missed = instrument == 0 && hour == 12 && age % 3 == 0;
        const bool late = instrument == 0 && hour == 16 && age % 4 == 1;
        if (missed)
            continue;
        QTime time(hour, late ? 40 : 2);
        for (int checkpoint = 1; checkpoint <= 4; ++checkpoint) {
            if (instrument == 1 && hour == 20 && checkpoint == 3 && age % 2 == 0)
                continue; // incomplete
            lines += '#' + QByteArray::number(checkpoint) + ' ' +
                     time.toString(QStringLiteral("HH:mm")).toLatin1() + "\r\n";
            time = time.addSecs(5 * 60);
        }
    }
    return lines;
}

// One download of days `firstAge` down to `lastAge` before today, transferred the day after the
// last at 07:03 with the instrument's clock `driftMinutes` ahead.
qint32 importDays(TDM3& dm, const QDate& today, int instrument, int firstAge, int lastAge,
                  int driftMinutes) {
    const QDate transferDay = today.addDays(1 - lastAge);
    const QDateTime transfer(transferDay, QTime(7, 3, 0));
    const QDateTime clock = transfer.addSecs(60 * driftMinutes);
    QByteArray dump = "*-*-*-*-*-*-*-\r\n##" + siteInstruments[instrument].toLatin1() + "##\r\n" +
                      clock.toString(QStringLiteral("yy-MM-dd HH:mm")).toLatin1() +
                      "\r\n- - - - - - - \r\n";
    for (int age = firstAge; age >= lastAge; --age)
        dump += dayLines(today.addDays(-age), instrument, age);
    ReceiveBuffer received;
    received.append(dump);
    const ReaderDump read = readWholeDump(received.lines());
    const QString number = fromCp1250(read.instrumentNumber);
    Transaction transaction(dm);
    const qint32 download = dm.appendDownload(transfer);
    for (const DumpPunch& punch : read.punches)
        dm.insertPunch({0, punch.date, punch.time, punch.checkpoint, number, download});
    appendArchiveRow(dm,
                     {download,
                      number,
                      transfer,
                      QDateTime(clock.date(), QTime(clock.time().hour(), clock.time().minute())),
                      dump,
                      {},
                      {}});
    transaction.commit();
    return download;
}

QList<Plan> sitePlans(const QDate& today) {
    QList<Plan> plans;
    for (qsizetype i = 0; i < siteInstruments.size(); ++i) {
        Plan plan;
        plan.id = i + 1;
        plan.name = QStringLiteral("Obchód %1").arg(siteInstruments[i]);
        plan.instrument = siteInstruments[i];
        plan.firstStart = QTime(8, 0);
        plan.lastStart = QTime(20, 0);
        plan.interval = 240;
        plan.tolerance = 15;
        plan.duration = 60;
        plan.validFrom = today.addDays(-40);
        for (qint32 checkpoint = 1; checkpoint <= 4; ++checkpoint)
            plan.steps.append({checkpoint, false});
        plans.append(plan);
    }
    return plans;
}

} // namespace

QList<QList<qint32>> fillSite(TDM3& dm) {
    const QDate today = Clock::now().date();
    for (const QString& instrument : siteInstruments)
        dm.insertReader(instrument);
    saveInstruments(dm, {{QStringLiteral("0101"), QStringLiteral("Brama północna")},
                         {QStringLiteral("0202"), QStringLiteral("Magazyn")},
                         {QStringLiteral("0303"), QStringLiteral("Biuro")}});
    saveCheckpoints(dm, {{1, QStringLiteral("Brama"), false},
                         {2, QStringLiteral("Hala"), false},
                         {3, QStringLiteral("Rampa"), false},
                         {4, QStringLiteral("Parking"), false}});
    replacePlanPeriods(dm, {}, sitePlans(today));
    QList<QList<qint32>> downloads(siteInstruments.size());
    downloads[0] << importDays(dm, today, 0, 12, 7, 1) << importDays(dm, today, 0, 6, 1, 0);
    downloads[1] << importDays(dm, today, 1, 12, 7, 0) << importDays(dm, today, 1, 6, 1, 12);
    downloads[2] << importDays(dm, today, 2, 13, 12, 0);
    Accounts accounts(dm);
    for (const auto& [login, role, instruments] :
         {std::tuple{siteAdministrator, Role::Administrator, QStringList()},
          {siteOffice, Role::Office, QStringList()},
          {siteClient, Role::Client, QStringList{QStringLiteral("0101")}},
          {siteOtherClient, Role::Client, QStringList{QStringLiteral("0202")}}})
        if (const QString problem = accounts.add(login.login, role, instruments, login.password);
            !problem.isEmpty())
            throw std::runtime_error(problem.toStdString());
    return downloads;
}

} // namespace ronvalo::web::test
