// An installation whose downloads were imported as the program imports them, each with its
// archive row or, as before the archive existed, without one; and changes made to its files from
// outside, as someone with an SQLite tool would make them.
#pragma once

#include <QDate>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <gtest/gtest.h>
#include <optional>

#include "core/common/cp1250.h"
#include "core/import/reader_dump.h"
#include "core/link/receive_buffer.h"
#include "core/store/archive.h"
#include "core/store/data_module.h"
#include "core/store/schema.h"
#include "core/store/sqlite_connection.h"
#include "support/temp_folder.h"

namespace ronvalo::test {

// A reader dump of one day, as the instrument sends it: its clock at 07:00 of that day, then the
// punches ("HH:MM", checkpoint).
inline QByteArray dumpOf(const QByteArray& instrument, const QDate& day,
                         const QList<std::pair<const char*, int>>& punches) {
    const QByteArray date = day.toString("yy-MM-dd").toLatin1();
    QByteArray dump = "*-*-*-*-*-*-*-\r\n##" + instrument + "##\r\n" + date +
                      " 07:00\r\n- - - - - - - \r\n-- " + date + "\r\n";
    for (const auto& [time, checkpoint] : punches)
        dump += '#' + QByteArray::number(checkpoint) + ' ' + time + "\r\n";
    return dump;
}

// Stores the dump's punches in one transaction with their download row and, when `archived`,
// their archive row, the instrument's clock at `clock` of the dump's day (none: unknown).
inline void importInto(TDM3& dm, const QByteArray& dump, bool archived = true,
                       std::optional<QTime> clock = QTime(7, 0)) {
    ReceiveBuffer received;
    received.append(dump);
    const ReaderDump read = readWholeDump(received.lines());
    const QString instrument = fromCp1250(read.instrumentNumber);
    const QDateTime transfer(read.instrumentDate, QTime(7, 3, 20));
    Transaction transaction(dm);
    const qint32 download = dm.appendDownload(transfer);
    for (const DumpPunch& punch : read.punches)
        dm.insertPunch({0, punch.date, punch.time, punch.checkpoint, instrument, download});
    if (archived)
        appendArchiveRow(
            dm, {download,
                 instrument,
                 transfer,
                 clock ? std::optional(QDateTime(read.instrumentDate, *clock)) : std::nullopt,
                 dump,
                 {},
                 {}});
    transaction.commit();
}

struct ArchivedInstallation {
    TempFolder folder;

    ArchivedInstallation() {
        QString error;
        EXPECT_TRUE(createEmptyDatabase(folder.path(), &error)) << error.toStdString();
    }

    QString db() const { return folder.file("db/"); }

    void open(TDM3& dm) const {
        dm.setDatabaseFolder(db());
        dm.openTables();
    }

    // Stores the dump as importInto() does.
    void import(const QByteArray& dump, bool archived = true,
                std::optional<QTime> clock = QTime(7, 0)) const {
        TDM3 dm;
        open(dm);
        importInto(dm, dump, archived, clock);
    }

    // Runs the statements on one file of db/ ("Odbicia.db", "Obchody.db"), outside the program.
    void tamper(const QString& file, const QStringList& statements) const {
        SqliteConnection connection(db() + file);
        ASSERT_TRUE(connection.isOpen()) << connection.lastError().text().toStdString();
        QSqlQuery query(connection.database());
        for (const QString& statement : statements)
            ASSERT_TRUE(query.exec(statement))
                << statement.toStdString() << ": " << query.lastError().text().toStdString();
    }
};

// Four days of three punches each, each day one download, each archived: download n holds
// AutoNr 3n-2 to 3n. Download 3 comes from an instrument with a number longer than the punch
// table keeps.
inline void importFourDays(const ArchivedInstallation& installation) {
    for (int day = 0; day < 4; ++day)
        installation.import(dumpOf(day == 2 ? "000123456789" : "00012345",
                                   QDate(2004, 4, 26).addDays(day),
                                   {{"08:15", 1}, {"08:20", 2}, {"08:25", 3}}));
}

} // namespace ronvalo::test
