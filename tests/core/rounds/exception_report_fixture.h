// An installation with one night plan, two days of punches and the rows an operator works out
// from them by hand, for the exception report's tests.
#pragma once

#include <QDate>
#include <QProcess>
#include <QStringList>
#include <QTime>
#include <gtest/gtest.h>

#include "core/rounds/exception_report.h"
#include "core/store/data_module.h"
#include "core/store/rounds_tables.h"
#include "core/store/schema.h"
#include "support/temp_folder.h"
#include "support/test_tables.h"

namespace ronvalo::test {

// Every instrument and plan, every round, over these days.
inline ExceptionReportChoices period(const QDate& from, const QDate& to) {
    ExceptionReportChoices choices;
    choices.from = from;
    choices.to = to;
    return choices;
}

// Plan "Noc" of instrument 0001: checkpoints 1, 2, 3 in this order, starts 22:00, 00:00 and 02:00
// (the last two after midnight, on the evening's day), tolerance 10 min, 30 min a round.
// 2024-03-04: walked on time; walked late; step 2 missed.
// 2024-03-05: 2 and 3 walked backwards (3 out of order); nothing after midnight. A punch at
// checkpoint 99, which has no name and no plan, and an incident at 171 of instrument 0002, which
// has no plan.
struct ReportInstallation {
    TempFolder folder;
    // On the server's engine, the tables are there and "Baza" in the folder's own settings hive
    // names it, for the tools this test starts as well.
    Engine engine;
    QString server;
    ScopedEnv hive{"RONVALO_REGISTRY", folder.file("hive.reg").toUtf8()};

    // The CSV file's rows for the whole two days, header first.
    static QStringList allRows() {
        return {
            "Data;Plan;Czytnik;Start plan.;Start;Status;Brakujące punkty",
            "2024-03-04;Noc;0001 Brama północna;22:00;22:05;Wykonany;",
            "2024-03-04;Noc;0001 Brama północna;00:00;00:15;Spóźniony;",
            "2024-03-04;Noc;0001 Brama północna;02:00;02:00;Niepełny;2 Parking",
            "2024-03-05;Noc;0001 Brama północna;22:00;22:00;Poza kolejnością;3 Magazyn (poza "
            "kolejnością)",
            "2024-03-05;Noc;0001 Brama północna;00:00;;Nie wykonany;1 Brama główna, 2 Parking, "
            "3 Magazyn",
            "2024-03-05;Noc;0001 Brama północna;02:00;;Nie wykonany;1 Brama główna, 2 Parking, "
            "3 Magazyn",
        };
    }

    explicit ReportInstallation(Engine on = Engine::Files) : engine(on) {
        QString error;
        EXPECT_TRUE(createEmptyDatabase(folder.path(), &error)) << error.toStdString();
        if (engine == Engine::Server) {
            server = newServerTables(&error);
            EXPECT_FALSE(server.isEmpty()) << error.toStdString();
            setServerSetting(server);
        }
        TDM3 dm;
        open(dm);
        for (const char* reader : {"0001", "0002"})
            dm.insertReader(reader);
        saveInstruments(dm, {{"0001", "Brama północna"}});
        saveCheckpoints(dm, {{1, "Brama główna", false},
                             {2, "Parking", false},
                             {3, "Magazyn", false},
                             {171, "Napad", true}});
        Plan plan;
        plan.name = "Noc";
        plan.instrument = "0001";
        plan.firstStart = QTime(22, 0);
        plan.lastStart = QTime(2, 0);
        plan.interval = 120;
        plan.tolerance = 10;
        plan.duration = 30;
        plan.validFrom = QDate(2024, 3, 1);
        plan.steps = {{1, false}, {2, false}, {3, false}};
        replacePlanPeriods(dm, {}, {plan});
        const struct {
            int day;
            const char* time;
            int checkpoint;
            const char* instrument;
        } punches[] = {
            {4, "22:05", 1, "0001"},   {4, "22:12", 2, "0001"}, {4, "22:20", 3, "0001"},
            {5, "00:15", 1, "0001"},   {5, "00:25", 2, "0001"}, {5, "00:30", 3, "0001"},
            {5, "02:00", 1, "0001"},   {5, "02:10", 3, "0001"}, {5, "12:00", 99, "0001"},
            {5, "13:00", 171, "0002"}, {5, "22:00", 1, "0001"}, {5, "22:05", 3, "0001"},
            {5, "22:10", 2, "0001"},
        };
        // Read on the morning after the last day: every round of the two days is judged.
        const qint32 download = dm.appendDownload(QDateTime(QDate(2024, 3, 7), QTime(8, 0)));
        for (const auto& row : punches) {
            Punch punch;
            punch.Data = QDate(2024, 3, row.day);
            punch.Czas = QTime::fromString(row.time, "HH:mm");
            punch.Nrwewpkt = row.checkpoint;
            punch.Nrczyt = row.instrument;
            punch.NrSczytania = download;
            dm.insertPunch(punch);
        }
    }

    QString db() const { return folder.file("db/"); }

    void open(TDM3& dm) const {
        dm.setDatabaseFolder(db());
        dm.setServer(server);
        dm.openTables();
    }

    struct Run {
        int exitCode = -1;
        QString standardError;
        QByteArray standardOutput;
    };

    // ronvalo-raport with `arguments`, as a scheduler runs it.
    static Run raport(const QStringList& arguments) {
        QProcess tool;
        tool.start(QStringLiteral(RONVALO_BIN_DIR "/ronvalo-raport"), arguments);
        EXPECT_TRUE(tool.waitForFinished(60000));
        return {tool.exitCode(), QString::fromUtf8(tool.readAllStandardError()),
                tool.readAllStandardOutput()};
    }
};

} // namespace ronvalo::test
