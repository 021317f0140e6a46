// ronvalo-verify end to end: its exit codes and lines for a clean archive, a changed table and an
// installation it cannot read, and the tables left as they were.
#include <QDir>
#include <gtest/gtest.h>

#include "rounds/archive_fixture.h"

using namespace ronvalo;
using namespace ronvalo::test;

namespace {

struct ArchiveVerifyToolTest : ::testing::Test {
    ArchivedInstallation installation;

    void SetUp() override { importFourDays(installation); }
};

TEST_F(ArchiveVerifyToolTest, ACleanArchiveExitsZeroWithItsSummary) {
    const VerifyRun run = runVerify({installation.folder.path()});
    EXPECT_EQ(run.exitCode, 0) << run.standardError.toStdString();
    TDM3 dm;
    installation.open(dm);
    EXPECT_EQ(run.standardOutput, "Archiwum odczytów nienaruszone: 4 odczyty, ostatni skrót: " +
                                      lastArchiveDigest(dm) + "\n");
    EXPECT_EQ(run.standardError, "");
}

TEST_F(ArchiveVerifyToolTest, FindingsExitOneEachOnItsLineAndTheTablesStayAsTheyWere) {
    installation.tamper("Odbicia.db", {"DELETE FROM Odbicia WHERE AutoNr = 4"});
    installation.tamper("Obchody.db", {"DELETE FROM Archiwum WHERE Nrodczytu = 4"});
    QDir db(installation.db());
    const QStringList files = db.entryList(QDir::Files);
    QList<QByteArray> before;
    for (const QString& file : files)
        before << readFileBytes(db.filePath(file));

    const VerifyRun run = runVerify({installation.folder.path()});
    EXPECT_EQ(run.exitCode, 1) << run.standardError.toStdString();
    EXPECT_EQ(run.standardOutput, "Odczyt nr 2: brak odbicia 2004-04-27 08:15 pkt 1\n"
                                  "Odczyt nr 4: brak wiersza archiwum\n"
                                  "Niezgodności w archiwum odczytów: 2\n");
    EXPECT_EQ(db.entryList(QDir::Files), files);
    for (qsizetype i = 0; i < files.size(); ++i)
        EXPECT_EQ(readFileBytes(db.filePath(files[i])), before[i]) << files[i].toStdString();
}

TEST_F(ArchiveVerifyToolTest, WhatItCannotReadOrFollowExitsTwo) {
    ASSERT_TRUE(writeFileBytes(installation.db() + "Obchody.db", "to nie jest baza danych"));
    ArchivedInstallation withoutTables;
    ASSERT_TRUE(QDir(withoutTables.db()).removeRecursively());
    const struct {
        QStringList arguments;
        const char* says;
    } cases[] = {
        {{installation.folder.path()}, "Obchody.db"},
        {{withoutTables.folder.path()}, "Odbicia.db"},
        {{}, "Użycie: ronvalo-verify FOLDER"},
        {{installation.folder.path(), withoutTables.folder.path()}, "Użycie: ronvalo-verify"},
        {{"--help"}, "Użycie: ronvalo-verify"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments.join(' ').toStdString());
        const VerifyRun run = runVerify(c.arguments);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_TRUE(run.standardError.contains(QString::fromUtf8(c.says)))
            << run.standardError.toStdString();
        EXPECT_EQ(run.standardOutput, "");
    }
}

} // namespace
