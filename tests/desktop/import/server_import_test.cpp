// The import with the tables on a server: the repeat test against the transmission another site
// stored, and a server that goes away while the program runs.
#include <QDir>
#include <QElapsedTimer>
#include <QThread>
#include <iostream>

#include "core/proof/archive_check.h"
#include "core/store/server_connection.h"
#include "core/store/server_schema.h"
#include "import_fixture.h"
#include "support/postgres_server.h"
#include "support/test_tables.h"

using namespace ronvalo;
using namespace ronvalo::test;

namespace {

// One site: its own folder (txt/, the log) and its own program, the tables on the server.
struct Site {
    explicit Site(const QString& server) {
        QDir(folder.path()).mkdir("txt");
        dm.setServer(server);
        dm.openTables();
    }
    void importDump(const QByteArray& dump) {
        Memo1.clear();
        Memo1.append(dump);
        Memo2.clear();
        Memo2.append(dump);
        punchImport.run(Memo1, Memo2, firstMoment);
    }
    TempFolder folder;
    TDM3 dm;
    QStringList log;
    PunchImport punchImport{folder.base(), dm, [this](const QString& line) { log << line; }};
    ReceiveBuffer Memo1, Memo2;
};

const QByteArray dump = makeDump("0001234567", "24-03-05 08 16", {"-- 04-04-26", "#12 08:15"});

} // namespace

TEST(ServerImport, AnotherSiteRefusesTheSameDumpAndBothSeeEveryPunch) {
    TestDialogs dialogs;
    FakeClock clock{firstMoment};
    QString error;
    const QString server = newServerTables(&error);
    ASSERT_FALSE(server.isEmpty()) << error.toStdString();
    // Each site logs in as its own role, with the sites' rights only.
    const QString firstLogin = newSiteLogin(server, &error);
    const QString secondLogin = newSiteLogin(server, &error);
    ASSERT_FALSE(firstLogin.isEmpty() || secondLogin.isEmpty()) << error.toStdString();
    Site first(firstLogin), second(secondLogin);

    first.importDump(dump);
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_EQ(first.log.size(), 1);
    // The operator's own copy in txt/, as on one PC.
    EXPECT_FALSE(readFileBytes(first.folder.file("txt/0001234567")).isEmpty());

    second.importDump(dump);
    EXPECT_EQ(dialogs.texts(TestDialogs::Shown::Notice),
              QStringList{"Te dane były już prawidłowo odczytane z tego czytnika!"});
    second.importDump(
        makeDump("0001234567", "24-03-06 09 00", {"-- 04-04-26", "#12 08:15", "#13 08:20"}));
    EXPECT_EQ(dialogs.texts(TestDialogs::Shown::Notice).size(), 1);

    EXPECT_EQ(first.dm.punchCount(), 3);
    EXPECT_EQ(second.dm.downloads(), QList<qint32>({1, 2}));
    const auto check = checkArchive(second.dm);
    ASSERT_TRUE(check);
    EXPECT_TRUE(check->clean()) << archiveCheckSummary(*check).toStdString();
    EXPECT_EQ(check->downloads, 2);
}

TEST(ServerImport, ASiteThatCannotGetTheImportsLockSaysAnotherSiteIsImportingAndStoresNothing) {
    TestDialogs dialogs;
    FakeClock clock{firstMoment};
    QString error;
    const QString server = newServerTables(&error);
    ASSERT_FALSE(server.isEmpty()) << error.toStdString();
    Site first(newSiteLogin(server, &error)), second(newSiteLogin(server, &error));

    {
        // The first site's import under way, holding the lock.
        Transaction importing(first.dm);
        first.dm.lockImports();
        QElapsedTimer clock;
        clock.start();
        second.importDump(dump);
        const qint64 waited = clock.elapsed();
        std::cout << "[figure] import lock wait: message after " << waited << " ms\n";
        EXPECT_LT(waited, 6000);
        EXPECT_EQ(dialogs.texts(TestDialogs::Shown::Notice),
                  QStringList{"Inne stanowisko zapisuje teraz odczyt na serwerze " +
                              serverName(server) +
                              ". Nic nie zostało zapisane; spróbuj ponownie za chwilę."});
        EXPECT_EQ(second.dm.punchCount(), 0);
        EXPECT_TRUE(second.dm.downloads().isEmpty());
        EXPECT_TRUE(QDir(second.folder.file("txt")).isEmpty());
    }
    second.importDump(dump);
    EXPECT_EQ(dialogs.texts(TestDialogs::Shown::Notice).size(), 1);
    EXPECT_EQ(first.dm.punchCount(), 1);
}

TEST(ServerImport, AServerThatWentAwayIsNamedNothingIsStoredAndTheNextImportWorks) {
    TestDialogs dialogs;
    FakeClock clock{firstMoment};
    PostgresServer postgres;
    ASSERT_TRUE(postgres.ok()) << postgres.problem().toStdString();
    const QString server = postgres.connectionString(postgres.createDatabase());
    ASSERT_TRUE(createServerDatabase(server, nullptr));
    Site site(server);

    ASSERT_TRUE(postgres.stop());
    QThread::msleep(2100); // idle long enough for the connection to be tried again
    site.importDump(dump);
    const QStringList notices = dialogs.texts(TestDialogs::Shown::Notice);
    ASSERT_EQ(notices.size(), 1);
    EXPECT_TRUE(notices[0].startsWith("Nie można połączyć się z serwerem bazy danych "))
        << notices[0].toStdString();
    EXPECT_EQ(site.log, QStringList{notices[0] + " (0001234567)"});
    EXPECT_TRUE(QDir(site.folder.file("txt")).isEmpty());

    ASSERT_TRUE(postgres.start());
    site.importDump(dump);
    EXPECT_EQ(dialogs.texts(TestDialogs::Shown::Notice).size(), 1);
    EXPECT_EQ(site.dm.punchCount(), 1);
}
