// The data module over real SQLite files: opening, inserts, order, the filter hook, and one
// transaction spanning all three files.
#include "core/store/data_module.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSqlQuery>
#include <QThread>
#include <gtest/gtest.h>

#include "core/common/exception.h"
#include "core/common/ole_date.h"
#include "core/store/server_connection.h"
#include "core/store/server_schema.h"
#include "core/store/sqlite_connection.h"
#include "support/postgres_server.h"
#include "support/temp_folder.h"
#include "support/test_tables.h"

using namespace ronvalo;
using namespace ronvalo::test;

namespace {

Punch punch(QDate date, QTime time, int checkpoint, QString instrument, int download) {
    Punch p;
    p.Data = date;
    p.Czas = time;
    p.Nrwewpkt = checkpoint;
    p.Nrczyt = instrument;
    p.NrSczytania = download;
    return p;
}

std::vector<Punch> all(TDM3& dm) {
    std::vector<Punch> rows;
    dm.forEachPunch([&](const Punch& p) {
        rows.push_back(p);
        return true;
    });
    return rows;
}

// The same behaviour on the local files and on a server.
struct EngineTest : ::testing::TestWithParam<Engine> {
    TestTables tables{GetParam()};
    TDM3 dm;

    void SetUp() override {
        ASSERT_TRUE(tables.ready());
        tables.point(dm);
        dm.openTables();
    }
    std::vector<Punch> all() { return ::all(dm); }
};

INSTANTIATE_TEST_SUITE_P(, EngineTest, ::testing::Values(Engine::Files, Engine::Server),
                         engineName);

struct StoreTest : ::testing::Test {
    TempFolder folder;
    TDM3 dm;

    void SetUp() override {
        QString error;
        ASSERT_TRUE(createEmptyDatabase(folder.path(), &error)) << error.toStdString();
        dm.setDatabaseFolder(folder.file("db/"));
        dm.openTables();
    }
    QByteArray tableBytes() const {
        return readFileBytes(folder.file("db/Odbicia.db")) +
               readFileBytes(folder.file("db/Czytniki.db")) +
               readFileBytes(folder.file("db/NrOdc.DB"));
    }
    std::vector<Punch> all() { return ::all(dm); }
};

} // namespace

TEST_P(EngineTest, PunchesComeInDateTimeArrivalOrderAndInstrumentIsCut) {
    dm.insertPunch(punch(QDate(2004, 4, 26), QTime(8, 15), 171, "12345678901", 1));
    dm.insertPunch(punch(QDate(2004, 4, 25), QTime(23, 0), 5, "7", 1));
    dm.insertPunch(punch(QDate(2004, 4, 26), QTime(8, 15), 6, "7", 2));
    dm.insertPunch(punch(zeroDate(), QTime(1, 0), 9, "7", 2));
    const auto rows = all();
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0].Data, zeroDate());
    EXPECT_EQ(rows[1].Nrwewpkt, 5);
    EXPECT_EQ(rows[2].Nrwewpkt, 171);
    EXPECT_EQ(rows[2].Nrczyt, "1234567890");
    EXPECT_EQ(rows[3].Nrwewpkt, 6);
    EXPECT_LT(rows[2].AutoNr, rows[3].AutoNr);
}

TEST_P(EngineTest, ReadersAndDownloads) {
    EXPECT_FALSE(dm.findReader("012"));
    dm.insertReader("012");
    dm.insertReader("12");
    EXPECT_TRUE(dm.findReader("012"));
    EXPECT_FALSE(dm.findReader("0120"));
    EXPECT_THROW(dm.insertReader("012"), EDatabaseError); // the key is unique
    EXPECT_EQ(dm.readers(), QStringList({"012", "12"}));
    const qint32 first = dm.appendDownload(QDateTime(QDate(2004, 4, 26), QTime(9, 0)));
    const qint32 second = dm.appendDownload(QDateTime(QDate(2004, 4, 26), QTime(9, 5)));
    EXPECT_EQ(second, first + 1);
    EXPECT_EQ(dm.downloads(), QList<qint32>({first, second}));
}

TEST_P(EngineTest, AFailedTransactionStoresNothingAndTheNextOneWorks) {
    dm.insertReader("A");
    EXPECT_THROW(
        {
            Transaction transaction(dm);
            const qint32 download = dm.appendDownload(QDateTime(QDate(2004, 4, 26), QTime(9, 0)));
            dm.insertPunch(punch(QDate(2004, 4, 26), QTime(8, 0), 1, "B", download));
            dm.insertReader("B");
            dm.insertReader("A"); // fails: the reader exists
            transaction.commit();
        },
        EDatabaseError);
    EXPECT_TRUE(all().empty());
    EXPECT_TRUE(dm.downloads().isEmpty());
    EXPECT_EQ(dm.readers(), QStringList({"A"}));
    {
        Transaction transaction(dm);
        dm.insertPunch(punch(QDate(2004, 4, 26), QTime(8, 0), 1, "B", 1));
        dm.insertReader("B");
        transaction.commit();
    }
    EXPECT_EQ(all().size(), 1u);
    EXPECT_TRUE(dm.findReader("B"));
}

// Two sites storing at the same moment: each download gets its own number, neither waits.
TEST(ServerStore, DownloadsOfTwoSitesAtOnceGetDistinctNumbers) {
    TestTables tables(Engine::Server);
    ASSERT_TRUE(tables.ready());
    TDM3 first, second;
    tables.point(first);
    tables.point(second);
    first.openTables();
    second.openTables();
    Transaction one(first), two(second);
    const QDateTime at(QDate(2004, 4, 26), QTime(9, 0));
    const qint32 a = first.appendDownload(at);
    const qint32 b = second.appendDownload(at);
    const qint32 c = first.appendDownload(at);
    EXPECT_NE(a, b);
    EXPECT_NE(b, c);
    one.commit();
    two.commit();
    EXPECT_EQ(first.downloads().size(), 3);
}

TEST(ServerStore, AServerWithoutTheTablesOrNotThereIsNamed) {
    PostgresServer& postgres = sharedPostgresServer();
    ASSERT_TRUE(postgres.ok());
    TDM3 dm;
    dm.setServer(postgres.connectionString(postgres.createDatabase()));
    try {
        dm.openTables();
        FAIL() << "opened";
    } catch (const EDatabaseError& e) {
        EXPECT_TRUE(e.message().startsWith("Nie można otworzyć tabeli Odbicia na serwerze "))
            << e.message().toStdString();
    }
    EXPECT_FALSE(dm.connected());

    TempFolder nowhere;
    dm.setServer("host='" + nowhere.path() + "' dbname=ronvalo");
    try {
        dm.openTables();
        FAIL() << "opened";
    } catch (const EDatabaseError& e) {
        EXPECT_TRUE(e.message().startsWith("Nie można połączyć się z serwerem bazy danych " +
                                           nowhere.path() + ", baza ronvalo: "))
            << e.message().toStdString();
    }
}

TEST_F(StoreTest, FailedTransactionLeavesAllThreeFilesUnchanged) {
    dm.insertReader("A");
    const QByteArray before = tableBytes();
    try {
        Transaction transaction(dm);
        const qint32 download = dm.appendDownload(QDateTime(QDate(2004, 4, 26), QTime(9, 0)));
        dm.insertPunch(punch(QDate(2004, 4, 26), QTime(8, 0), 1, "B", download));
        dm.insertReader("B");
        dm.insertReader("A"); // fails: the reader exists
        transaction.commit();
        FAIL() << "no error";
    } catch (const EDatabaseError&) {
    }
    EXPECT_EQ(tableBytes(), before);
    EXPECT_TRUE(all().empty());
    EXPECT_TRUE(dm.downloads().isEmpty());

    {
        Transaction transaction(dm);
        dm.insertPunch(punch(QDate(2004, 4, 26), QTime(8, 0), 1, "B", 1));
        dm.insertReader("B");
        transaction.commit();
    }
    EXPECT_EQ(all().size(), 1u);
    EXPECT_TRUE(dm.findReader("B"));
}

TEST_F(StoreTest, MissingOrForeignTableFailsNamingTheFile) {
    dm.tbCzytniki.Close();
    dm.tbOdbicia.Close();
    dm.tbNrOdc.Close();
    EXPECT_FALSE(dm.connected());
    ASSERT_TRUE(QFile::remove(folder.file("db/Czytniki.db")));
    ASSERT_TRUE(writeFileBytes(folder.file("db/NrOdc.DB"), "not a database at all"));
    auto errorOf = [](TTable& table) -> QString {
        try {
            table.Open();
        } catch (const EDatabaseError& error) {
            return error.message();
        }
        return {};
    };
    dm.tbOdbicia.Open();
    EXPECT_TRUE(errorOf(dm.tbCzytniki).contains("Czytniki.db"));
    EXPECT_TRUE(errorOf(dm.tbNrOdc).contains("NrOdc.DB"));
    EXPECT_FALSE(QFile::exists(folder.file("db/Czytniki.db"))); // never created
    EXPECT_THROW(dm.punchCount(), EDatabaseError);
}

TEST_F(StoreTest, FileNamesMatchWithoutRegardToCase) {
    dm.tbCzytniki.Close();
    dm.tbOdbicia.Close();
    dm.tbNrOdc.Close();
    ASSERT_TRUE(QFile::rename(folder.file("db/Odbicia.db"), folder.file("db/ODBICIA.DB")));
    dm.openTables();
    dm.insertPunch(punch(QDate(2004, 4, 26), QTime(8, 0), 1, "B", 1));
    EXPECT_EQ(dm.punchCount(), 1);
}

TEST(NewDatabase, RefusesToReplaceATable) {
    TempFolder folder;
    QString error;
    ASSERT_TRUE(createEmptyDatabase(folder.path(), &error));
    EXPECT_TRUE(QDir(folder.file("txt")).exists());
    ASSERT_TRUE(writeFileBytes(folder.file("db/Odbicia.db"), "keep me"));
    EXPECT_FALSE(createEmptyDatabase(folder.path(), &error));
    EXPECT_TRUE(error.contains("Odbicia.db"));
    EXPECT_EQ(readFileBytes(folder.file("db/Odbicia.db")), QByteArray("keep me"));
}

// The server stopped while the program runs: the next command says so within seconds and
// stores nothing; once the server is back, the command after works on a new connection.
TEST(ServerStore, AStoppedServerIsNamedAndTheNextCommandAfterItsReturnWorks) {
    PostgresServer postgres;
    ASSERT_TRUE(postgres.ok()) << postgres.problem().toStdString();
    const QString conninfo = postgres.connectionString(postgres.createDatabase());
    ASSERT_TRUE(createServerDatabase(conninfo, nullptr));
    TDM3 dm;
    dm.setServer(conninfo);
    dm.openTables();
    dm.insertReader("A");

    ASSERT_TRUE(postgres.stop());
    QElapsedTimer timer;
    timer.start();
    EXPECT_THROW(
        {
            Transaction transaction(dm);
            dm.insertReader("B");
            transaction.commit();
        },
        EDatabaseError);
    QThread::msleep(2100); // idle long enough for the connection to be tried
    try {
        dm.readers();
        FAIL() << "read from a stopped server";
    } catch (const EServerUnreachable& e) {
        EXPECT_TRUE(e.message().startsWith("Nie można połączyć się z serwerem bazy danych "))
            << e.message().toStdString();
        EXPECT_FALSE(e.message().contains('\n'));
    }
    EXPECT_LT(timer.elapsed(), 12000);

    ASSERT_TRUE(postgres.start());
    EXPECT_EQ(dm.readers(), QStringList({"A"}));
    dm.insertReader("B");
    EXPECT_EQ(dm.readers(), QStringList({"A", "B"}));
}

// The program stopped in the middle of a write (a power cut, a kill during an import's commit):
// its files hold the half-written pages and the journal that undoes them. The next opening
// rolls the write back instead of refusing the table.
TEST_F(StoreTest, AWriteCutOffByACrashIsUndoneAtTheNextOpening) {
    dm.insertReader("A");
    TempFolder crashed;
    ASSERT_TRUE(QDir().mkpath(crashed.file("db")));
    {
        SqliteConnection writer(folder.file("db/Czytniki.db"));
        QSqlQuery query(writer.database());
        ASSERT_TRUE(query.exec("PRAGMA cache_size = 10"));
        ASSERT_TRUE(query.exec("BEGIN"));
        for (int i = 0; i < 5000; ++i)
            ASSERT_TRUE(query.exec(QStringLiteral("INSERT INTO Czytniki VALUES ('%1%2')")
                                       .arg(QString(200, 'x'))
                                       .arg(i)));
        // The files as a crash at this moment leaves them.
        for (const QString& file : QDir(folder.file("db")).entryList(QDir::Files))
            ASSERT_TRUE(QFile::copy(folder.file("db/") + file, crashed.file("db/") + file));
        ASSERT_TRUE(QFile::exists(crashed.file("db/Czytniki.db-journal")));
        ASSERT_TRUE(query.exec("ROLLBACK"));
    }
    TDM3 next;
    next.setDatabaseFolder(crashed.file("db/"));
    ASSERT_NO_THROW(next.openTables());
    EXPECT_EQ(next.readers(), QStringList{"A"});
}

namespace {

// Runs `statements` on a table file, as an operator with a SQLite shell would.
void rewrite(const QString& path, const QStringList& statements) {
    SqliteConnection file(path);
    ASSERT_TRUE(file.isOpen());
    QSqlQuery query(file.database());
    for (const QString& statement : statements)
        ASSERT_TRUE(query.exec(statement)) << statement.toStdString();
}

QString openingError(TDM3& dm) {
    try {
        dm.openTables();
        dm.roundsDatabase();
    } catch (const EDatabaseError& error) {
        return error.message();
    }
    return {};
}

} // namespace

// A view under a table's name is refused before anything reads it: a recursive one never ends.
TEST(ViewInPlaceOfATable, IsRefusedInEveryFile) {
    const QString endless = "WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM n) ";
    struct Case {
        QString file;
        QStringList statements;
        QString expected;
    };
    const Case cases[] = {
        {"db/Odbicia.db",
         {"DROP TABLE Odbicia",
          "CREATE VIEW Odbicia AS " + endless +
              "SELECT x AS AutoNr, '2004-04-26' AS Data, '08:00' AS Czas, 1 AS Nrwewpkt, "
              "'A' AS Nrczyt, 1 AS NrSczytania FROM n"},
         "to nie jest tabela Odbicia programu (Odbicia nie jest tabelą, lecz widokiem)"},
        {"db/Czytniki.db",
         {"DROP TABLE Czytniki", "CREATE VIEW czytniki AS SELECT 'A' AS NrCzytnika"},
         "to nie jest tabela Czytniki programu (Czytniki nie jest tabelą, lecz widokiem)"},
        {"db/Obchody.db",
         {"DROP TABLE Plany",
          "CREATE VIEW Plany AS " + endless +
              "SELECT x AS IdPlanu, 'P' AS Nazwa, 'A' AS NrCzytnika, 0 AS Kolejnosc, 127 AS Dni, "
              "'08:00' AS PierwszyStart, '08:00' AS OstatniStart, 0 AS Co, 0 AS Tolerancja, "
              "60 AS CzasObchodu, '2004-01-01' AS Od, NULL AS \"Do\" FROM n"},
         "to nie jest plik tabel obchodów programu (Plany nie jest tabelą, lecz widokiem)"},
    };
    for (const Case& c : cases) {
        TempFolder folder;
        QString error;
        ASSERT_TRUE(createEmptyDatabase(folder.path(), &error)) << error.toStdString();
        rewrite(folder.file(c.file), c.statements);
        for (const bool readOnly : {true, false}) {
            TDM3 dm;
            dm.setReadOnly(readOnly);
            dm.setDatabaseFolder(folder.file("db/"));
            const QString message = openingError(dm);
            EXPECT_TRUE(message.endsWith(c.expected)) << message.toStdString();
            EXPECT_TRUE(message.contains(QDir::toNativeSeparators(folder.file(c.file))))
                << message.toStdString();
        }
    }
}

TEST(ViewInPlaceOfATable, IsRefusedOnAServer) {
    PostgresServer& postgres = sharedPostgresServer();
    ASSERT_TRUE(postgres.ok());
    for (const auto& [table, statements] :
         {std::pair<QString, QStringList>{
              "Odbicia",
              {"DROP TABLE main.Odbicia",
               "CREATE VIEW main.odbicia AS WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT "
               "x + 1 FROM n) SELECT x AS autonr, '2004-04-26'::text AS data, '08:00'::text AS "
               "czas, 1 AS nrwewpkt, 'A'::text AS nrczyt, 1 AS nrsczytania FROM n"}},
          {"Plany",
           {"ALTER TABLE ob.Plany RENAME TO plany_old",
            "CREATE VIEW ob.plany AS SELECT * FROM ob.plany_old"}}}) {
        const QString server = postgres.connectionString(postgres.createDatabase());
        QString error;
        ASSERT_TRUE(createServerDatabase(server, &error)) << error.toStdString();
        {
            ServerConnection connection(server);
            QSqlQuery query(connection.database());
            for (const QString& statement : statements)
                ASSERT_TRUE(query.exec(statement)) << statement.toStdString();
        }
        TDM3 dm;
        dm.setReadOnly(true);
        dm.setServer(server);
        const QString message = openingError(dm);
        EXPECT_TRUE(message.startsWith("Nie można otworzyć tabeli " + table + " na serwerze "))
            << message.toStdString();
        EXPECT_FALSE(dm.connected());
    }
}
