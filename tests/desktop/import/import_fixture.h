// A base folder with empty tables, the import wired to a recorded log and answered boxes, dumps
// built from their data lines, and a picture of everything an import may change.
#pragma once

#include <QDateTime>
#include <QDir>
#include <QStringList>
#include <gtest/gtest.h>

#include "core/common/clock.h"
#include "core/import/punch_import.h"
#include "core/link/receive_buffer.h"
#include "core/store/archive.h"
#include "core/store/data_module.h"
#include "core/store/sqlite_connection.h"
#include "desktop/import/import_command.h"
#include "desktop/import/summary_dialog.h"
#include "support/temp_folder.h"
#include "support/test_dialogs.h"

namespace ronvalo::test {

inline const QDateTime firstMoment(QDate(2024, 3, 5), QTime(8, 15, 0));

// The header lines, then the data lines, each ending in CR LF.
inline QByteArray makeDump(const QByteArray& instrument, const QByteArray& clock,
                           const QList<QByteArray>& data) {
    QByteArray dump =
        "*-*-*-*-*-*-*-\r\n##" + instrument + "##\r\n" + clock + "\r\n- - - - - - - \r\n";
    for (const QByteArray& line : data)
        dump += line + "\r\n";
    return dump;
}

// Data lines of `count` punches over as many days as it takes, 1000 punches a day.
inline QList<QByteArray> manyPunches(int count) {
    QList<QByteArray> lines;
    lines.reserve(count + count / 1000 + 1);
    for (int i = 0; i < count; ++i) {
        if (i % 1000 == 0) {
            const QDate day = QDate(2024, 1, 1).addDays(i / 1000);
            lines << day.toString("'-- 'yy-MM-dd").toLatin1();
        }
        lines << QByteArray("#") + QByteArray::number(i % 500 + 1) + " " +
                     QTime(0, 0).addSecs((i % 1440) * 60).toString("HH:mm").toLatin1();
    }
    return lines;
}

struct ImportTest : ::testing::Test {
    TempFolder folder;
    TDM3 dm;
    TfrUdaloDlg summary;
    QStringList log;
    int summaryShown = 0;
    PunchImport punchImport{folder.base(), dm, [this](const QString& line) { log << line; }};
    ReceiveBuffer Memo1;
    ReceiveBuffer Memo2;
    TestDialogs dialogs;
    FakeClock clock{firstMoment};

    void SetUp() override {
        QString error;
        ASSERT_TRUE(createEmptyDatabase(folder.path(), &error)) << error.toStdString();
        dm.setDatabaseFolder(folder.file("db/"));
        dm.openTables();
        punchImport.showSummary = [this](const ImportSummary& dates) {
            summary.setDates(dates.instrumentDate, dates.transferDate, dates.firstPunchDate);
            ++summaryShown;
        };
    }

    // One download as the dialog leaves it: both buffers filled with the dump.
    void importDump(const QByteArray& dump, const QDateTime& transfer = firstMoment) {
        Memo1.clear();
        Memo1.append(dump);
        Memo2.clear();
        Memo2.append(dump);
        punchImport.run(Memo1, Memo2, transfer);
    }

    std::vector<Punch> punches() {
        std::vector<Punch> rows;
        dm.forEachPunch([&](const Punch& p) {
            rows.push_back(p);
            return true;
        });
        std::sort(rows.begin(), rows.end(),
                  [](const Punch& a, const Punch& b) { return a.AutoNr < b.AutoNr; });
        return rows;
    }

    // The download archive's rows by download number.
    std::vector<ArchiveRow> archive() {
        std::vector<ArchiveRow> rows;
        auto next = readArchive(dm);
        for (ArchiveRow row; next(row);)
            rows.push_back(row);
        return rows;
    }

    QStringList notices() const { return dialogs.texts(TestDialogs::Shown::Notice); }
    QByteArray txtFile(const QString& name) const {
        return readFileBytes(folder.file("txt/" + name));
    }

    // Every row of the three tables, the archive's rows by their digests, and every file of txt/
    // with its bytes.
    QString snapshot() {
        QString text;
        for (const Punch& p : punches())
            text += QStringLiteral("P %1 %2 %3 %4 %5 %6\n")
                        .arg(p.AutoNr)
                        .arg(p.Data.toString(Qt::ISODate), p.Czas.toString(Qt::ISODate))
                        .arg(p.Nrwewpkt)
                        .arg(p.Nrczyt)
                        .arg(p.NrSczytania);
        for (const QString& reader : dm.readers())
            text += "R " + reader + '\n';
        SqliteConnection downloads(dm.tbNrOdc.filePath());
        QSqlQuery query(downloads.database());
        query.exec("SELECT Nrodczytu, Data FROM NrOdc ORDER BY Nrodczytu");
        while (query.next())
            text += "D " + query.value(0).toString() + ' ' + query.value(1).toString() + '\n';
        for (const ArchiveRow& row : archive())
            text += "A " + QString::number(row.download) + ' ' + row.digest + '\n';
        const QDir txt(folder.file("txt"));
        for (const QString& name : txt.entryList(QDir::Files, QDir::Name))
            text += "F " + name + ' ' +
                    QString::fromLatin1(readFileBytes(txt.filePath(name)).toHex()) + '\n';
        return text;
    }
}; // namespace ronvalo::test

} // namespace ronvalo::test
