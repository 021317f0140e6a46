// ronvalo-verify end to end: its exit codes and lines for a clean archive, a changed table and an
// installation it cannot read, and the tables left as they were.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <gtest/gtest.h>

#include "core/proof/archive_fixture.h"
#include "core/store/data_module.h"

using namespace ronvalo;
using namespace ronvalo::test;

namespace {

struct ToolRun {
    int exitCode = -1;
    QString standardOutput;
    QString standardError;
};

ToolRun verify(const QStringList& arguments) {
    QProcess tool;
    tool.start(QStringLiteral(RONVALO_BIN_DIR "/ronvalo-verify"), arguments);
    EXPECT_TRUE(tool.waitForFinished(60000));
    return {tool.exitCode(), QString::fromUtf8(tool.readAllStandardOutput()),
            QString::fromUtf8(tool.readAllStandardError())};
}

struct ArchiveVerifyToolTest : ::testing::Test {
    ArchivedInstallation installation;
    void SetUp() override { importFourDays(installation); }
};

TEST_F(ArchiveVerifyToolTest, ExitsZeroCleanAndOneWithEachFindingOnItsLine) {
    ToolRun run = verify({installation.folder.path()});
    EXPECT_EQ(run.exitCode, 0) << run.standardError.toStdString();
    EXPECT_TRUE(run.standardOutput.startsWith("Archiwum odczytów nienaruszone: 4 odczyty"));

    installation.tamper("Odbicia.db", {"DELETE FROM Odbicia WHERE AutoNr = 4"});
    installation.tamper("Obchody.db", {"DELETE FROM Archiwum WHERE Nrodczytu = 4"});
    QDir db(installation.db());
    QList<QByteArray> before;
    for (const QString& file : db.entryList(QDir::Files))
        before << readFileBytes(db.filePath(file));
    run = verify({installation.folder.path()});
    EXPECT_EQ(run.exitCode, 1) << run.standardError.toStdString();
    EXPECT_EQ(run.standardOutput, "Odczyt nr 2: brak odbicia 2004-04-27 08:15 pkt 1\n"
                                  "Odczyt nr 4: brak wiersza archiwum\n"
                                  "Niezgodności w archiwum odczytów: 2\n"
                                  "Odczytane tabele: " +
                                      QDir(installation.db()).absolutePath() + "/\n");
    QList<QByteArray> after;
    for (const QString& file : db.entryList(QDir::Files))
        after << readFileBytes(db.filePath(file));
    EXPECT_EQ(after, before) << "the tables were written";
}

// Obchody.db lost and made anew by the program: its beginning pins the downloads before it, which
// the summary names on a line of its own, as the terminal shows it.
TEST_F(ArchiveVerifyToolTest, DownloadsPinnedFromBeforeTheArchiveAreNamedOnALineOfTheirOwn) {
    ASSERT_TRUE(QFile::remove(installation.db() + "Obchody.db"));
    {
        TDM3 dm;
        dm.setDatabaseFolder(installation.db());
        dm.openTables();
    }
    const ToolRun run = verify({installation.folder.path()});
    EXPECT_EQ(run.exitCode, 0) << run.standardOutput.toStdString();
    EXPECT_TRUE(run.standardOutput.startsWith("Archiwum odczytów jest puste\n"
                                              "Odczyty sprzed archiwum: 4 (do nr 4)\n"))
        << run.standardOutput.toStdString();
}

TEST_F(ArchiveVerifyToolTest, WhatItCannotReadOrFollowExitsTwo) {
    ASSERT_TRUE(writeFileBytes(installation.db() + "Obchody.db", "to nie jest baza danych"));
    ArchivedInstallation withoutTables;
    ASSERT_TRUE(QDir(withoutTables.db()).removeRecursively());
    ArchivedInstallation viewed; // a view that never ends in place of the readers' table
    viewed.tamper("Czytniki.db", {"DROP TABLE Czytniki",
                                  "CREATE VIEW Czytniki AS WITH RECURSIVE n(x) AS (SELECT 1 UNION "
                                  "ALL SELECT x + 1 FROM n) SELECT x AS NrCzytnika FROM n"});
    const QString folder = installation.folder.path();
    const struct {
        QStringList arguments;
        const char* says;
    } cases[] = {
        {{folder}, "Obchody.db"},
        {{withoutTables.folder.path()}, "Odbicia.db"},
        {{viewed.folder.path()}, "Czytniki nie jest tabelą, lecz widokiem"},
        {{}, "Użycie: ronvalo-verify [--skrot SKRÓT] FOLDER"},
        {{folder, folder}, "Użycie: ronvalo-verify [--skrot SKRÓT] FOLDER"},
        {{folder, "--skrot", "12ab"}, "Użycie: ronvalo-verify [--skrot SKRÓT] FOLDER"},
        {{folder, "--skrot"}, "Użycie: ronvalo-verify [--skrot SKRÓT] FOLDER"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments.join(' ').toStdString());
        const ToolRun run = verify(c.arguments);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_TRUE(run.standardError.contains(QString::fromUtf8(c.says)))
            << run.standardError.toStdString();
        EXPECT_EQ(run.standardOutput, "");
        EXPECT_EQ(run.standardError.count('\n'), 1) << run.standardError.toStdString();
    }
}

} // namespace
