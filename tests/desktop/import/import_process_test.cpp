// The import against other processes: a table locked by a second process, and an importing
// process killed at a random moment. The child processes are this test program started again.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QSqlQuery>
#include <QThread>
#include <iostream>
#include <random>

#include "core/common/clock.h"
#include "core/common/service_log.h"
#include "core/proof/archive_check.h"
#include "import_fixture.h"
#include "support/test_tables.h"

using namespace ronvalo;
using namespace ronvalo::test;

namespace {

constexpr const char* childVariable = "RONVALO_IMPORT_CHILD";

// Holds a lock on one table file until its standard input closes: "write" takes it
// exclusively, "read" keeps a read transaction open (so a commit cannot finish).
void holdLock(const QString& file, const QByteArray& kind) {
    QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "holder");
    db.setDatabaseName(file);
    ASSERT_TRUE(db.open());
    QSqlQuery query(db);
    if (kind == "write") {
        ASSERT_TRUE(query.exec("BEGIN EXCLUSIVE"));
    } else {
        ASSERT_TRUE(query.exec("BEGIN"));
        ASSERT_TRUE(query.exec("SELECT COUNT(*) FROM sqlite_master"));
        ASSERT_TRUE(query.next());
    }
    std::cout << "locked" << std::endl;
    std::string line;
    std::getline(std::cin, line);
}

// Writes more to one table file than its cache holds, inside a transaction it never ends, so that
// SQLite writes the file and keeps the old pages in a journal; then waits to be killed.
void writeHalfWay(const QString& file) {
    QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "writer");
    db.setDatabaseName(file);
    ASSERT_TRUE(db.open());
    QSqlQuery query(db);
    ASSERT_TRUE(query.exec("PRAGMA cache_size = 2"));
    ASSERT_TRUE(query.exec("BEGIN"));
    ASSERT_TRUE(query.exec("CREATE TABLE Filler (Bytes BLOB)"));
    ASSERT_TRUE(query.exec("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
                           "WHERE i < 200) INSERT INTO Filler SELECT randomblob(4000) FROM n"));
    std::cout << "written" << std::endl;
    std::string line;
    std::getline(std::cin, line);
}

// Imports base + "dump" as the program would, the summary dialog left out.
void importFile(const QString& base) {
    TestDialogs dialogs;
    TDM3 dm;
    dm.setDatabaseFolder(base + "db/");
    dm.openTables();
    ServiceLog log(base);
    PunchImport punchImport(base, dm, [&](const QString& line) { log.WriteLog(line); });
    ReceiveBuffer Memo1(64 * 1024 * 1024), Memo2(64 * 1024 * 1024); // dumps past any instrument
    ASSERT_TRUE(Memo1.loadFromFile(base + "dump"));
    std::cout << "start" << std::endl;
    punchImport.run(Memo1, Memo2, Clock::now());
    EXPECT_TRUE(dialogs.shown.empty()) << dialogs.shown.front().text.toStdString();
    std::cout << "done" << std::endl;
}

// One site of several on a server: ready, it waits for a line on its standard input so that the
// sites import at the same moment, then writes what the operator was shown.
void importAtOnce(const QString& base, const QString& server) {
    TestDialogs dialogs;
    TDM3 dm;
    dm.setServer(server);
    dm.openTables();
    PunchImport punchImport(base, dm, [](const QString&) {});
    ReceiveBuffer Memo1, Memo2;
    ASSERT_TRUE(Memo1.loadFromFile(base + "dump"));
    std::cout << "ready" << std::endl;
    std::string line;
    std::getline(std::cin, line);
    punchImport.run(Memo1, Memo2, Clock::now());
    for (const QString& notice : dialogs.texts(TestDialogs::Shown::Notice))
        std::cout << "notice " << notice.toStdString() << std::endl;
    std::cout << "done" << std::endl;
}

// A child process running ImportChild.Run in the given mode.
class Child {
public:
    explicit Child(const QStringList& variables) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const QString& variable : variables)
            environment.insert(variable.section('=', 0, 0), variable.section('=', 1));
        process_.setProcessEnvironment(environment);
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.start(QCoreApplication::applicationFilePath(), {"--gtest_filter=ImportChild.Run"});
    }
    ~Child() {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished();
        }
    }
    // Waits until the child wrote `word` on a line of its own.
    bool waitFor(const QByteArray& word, int ms = 60000) {
        QElapsedTimer timer;
        timer.start();
        while (!output_.contains(word + '\n')) {
            if (timer.elapsed() > ms || !process_.waitForReadyRead(int(ms - timer.elapsed())))
                return output_.contains(word + '\n');
            output_ += process_.readAllStandardOutput();
        }
        return true;
    }
    void say(const QByteArray& line) { process_.write(line + '\n'); }
    const QByteArray& output() const { return output_; }
    bool finish() {
        process_.closeWriteChannel();
        const bool finished = process_.waitForFinished(60000);
        output_ += process_.readAllStandardOutput();
        return finished && process_.exitCode() == 0;
    }
    void kill() {
        process_.kill();
        process_.waitForFinished();
    }

private:
    QProcess process_;
    QByteArray output_;
};

} // namespace

// Not a test of its own: the body of the child processes below.
TEST(ImportChild, Run) {
    const QByteArray mode = qgetenv(childVariable);
    if (mode.isEmpty())
        GTEST_SKIP() << "runs only as a child process";
    const QString base = qEnvironmentVariable("RONVALO_IMPORT_BASE");
    if (mode == "import")
        importFile(base);
    else if (mode == "server")
        importAtOnce(base, qEnvironmentVariable("RONVALO_IMPORT_SERVER"));
    else if (mode == "half")
        writeHalfWay(base + qEnvironmentVariable("RONVALO_LOCK_FILE"));
    else
        holdLock(base + qEnvironmentVariable("RONVALO_LOCK_FILE"), mode);
}

TEST_F(ImportTest, TableLockedByAnotherProcessStoresNothing) {
    const QByteArray clockA = "24-03-05 14 27";
    importDump(makeDump("012", clockA, {"-- 04-04-26", "#1 08:00"}));
    const QByteArray next = makeDump("012", clockA, {"-- 04-04-26", "#1 08:00", "#2 09:00"});
    const struct {
        const char* file;
        const char* lock;
        QString message;
    } cases[] = {
        {"db/NrOdc.DB", "write", "Blad wprowadzania danych. Kod DB5 "},
        {"db/Czytniki.db", "write", "Blad wprowadzania danych. Kod DB5 "},
        {"db/Odbicia.db", "write", "Blad wprowadzania danych. Kod DB5 "},
        // Every row goes in, but the commit cannot take the files from a reader.
        {"db/Odbicia.db", "read", "Blad wprowadzania danych. Kod I/O-2 "},
        {"db/NrOdc.DB", "read", "Blad wprowadzania danych. Kod I/O-2 "},
        // The archive row goes in last: a failure there or at the commit takes the punches back.
        {"db/Obchody.db", "write", "Blad wprowadzania danych. Kod ARCH "},
        {"db/Obchody.db", "read", "Blad wprowadzania danych. Kod I/O-2 "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.file) + " " + c.lock);
        const QString before = snapshot();
        Child holder({QStringLiteral("%1=%2").arg(childVariable, c.lock),
                      "RONVALO_IMPORT_BASE=" + folder.base(),
                      QStringLiteral("RONVALO_LOCK_FILE=") + c.file});
        ASSERT_TRUE(holder.waitFor("locked"));
        dialogs.shown.clear();
        importDump(next);
        EXPECT_EQ(notices(), QStringList{c.message});
        EXPECT_EQ(log.last(), c.message + " (012)");
        EXPECT_TRUE(holder.finish());
        EXPECT_EQ(snapshot(), before);
    }
    // Once the other process has gone the same download stores every punch once.
    dialogs.shown.clear();
    importDump(next);
    EXPECT_TRUE(notices().isEmpty());
    EXPECT_EQ(punches().size(), 1u + 2u);
    EXPECT_EQ(dm.downloads(), (QList<qint32>{1, 2}));
    EXPECT_EQ(archive().size(), 2u);
}

// A process killed while writing leaves a journal that only a connection able to write can roll
// back: the program's next start must open its tables, rounds' file included, as they were.
TEST_F(ImportTest, TablesOpenAsTheyWereAfterAWriterWasKilled) {
    dm.tbOdbicia.Close();
    const QStringList files{"db/Odbicia.db", "db/Czytniki.db", "db/NrOdc.DB", "db/Obchody.db"};
    for (const QString& file : files) {
        Child writer({QStringLiteral("%1=half").arg(childVariable),
                      "RONVALO_IMPORT_BASE=" + folder.base(), "RONVALO_LOCK_FILE=" + file});
        ASSERT_TRUE(writer.waitFor("written")) << file.toStdString();
        writer.kill();
        ASSERT_TRUE(QFile::exists(folder.file(file + "-journal"))) << file.toStdString();
    }
    EXPECT_NO_THROW(dm.openTables());
    EXPECT_NO_THROW(dm.roundsDatabase());
    for (const QString& file : files) {
        SqliteConnection table(folder.file(file), QStringLiteral("QSQLITE_OPEN_READONLY"));
        QSqlQuery query(table.database());
        EXPECT_TRUE(query.exec("SELECT COUNT(*) FROM sqlite_master WHERE name = 'Filler'") &&
                    query.next() && query.value(0).toInt() == 0)
            << file.toStdString();
    }
}

TEST_F(ImportTest, ImportKilledAtAnyMomentStoresAllPunchesAndTheirArchiveRowOrNone) {
    // Large enough that a kill lands in every phase of the import; `make soak` runs the long
    // version.
    constexpr int punchCount = 20000;
    constexpr int kills = 20;
    const QList<QByteArray> data = manyPunches(punchCount);
    const QStringList variables{QStringLiteral("%1=import").arg(childVariable),
                                "RONVALO_IMPORT_BASE=" + folder.base()};
    auto dumpOf = [&](int k) {
        return makeDump("K" + QByteArray::number(k), "24-03-05 14 27", data);
    };
    auto writeDump = [&](int k) { ASSERT_TRUE(writeFileBytes(folder.file("dump"), dumpOf(k))); };
    auto stored = [&](int k) {
        int count = 0;
        dm.forEachPunch([&](const Punch& p) {
            count += p.Nrczyt == "K" + QString::number(k);
            return true;
        });
        return count;
    };
    // The archive rows of instrument K<k>, each checked against the dump it was made from.
    auto archived = [&](int k) {
        int rows = 0;
        for (const ArchiveRow& row : archive()) {
            if (row.instrument != "K" + QString::number(k))
                continue;
            EXPECT_TRUE(row.transmission == dumpOf(k));
            EXPECT_EQ(row.digest, archiveDigest(row));
            ++rows;
        }
        return rows;
    };
    // Checked through a connection of the test's own, as a second program would; it waits for
    // a lock as the program's own connection does.
    SqliteConnection punches(dm.tbOdbicia.filePath(), QStringLiteral("QSQLITE_BUSY_TIMEOUT=1000"));
    auto integrity = [&] {
        QSqlQuery query(punches.database());
        EXPECT_TRUE(query.exec("PRAGMA integrity_check"));
        return query.next() ? query.value(0).toString() : QString();
    };

    // One whole import first: how long it takes bounds the moments to kill at.
    writeDump(0);
    qint64 duration = 0;
    {
        Child child(variables);
        ASSERT_TRUE(child.waitFor("start"));
        QElapsedTimer timer;
        timer.start();
        ASSERT_TRUE(child.finish());
        duration = timer.elapsed();
    }
    ASSERT_EQ(stored(0), punchCount);
    ASSERT_EQ(archived(0), 1);

    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    std::uniform_int_distribution<qint64> moment(0, duration);
    int complete = 1;
    for (int k = 1; k <= kills; ++k) {
        writeDump(k);
        const qint64 wait = moment(random);
        SCOPED_TRACE("kill " + std::to_string(k) + " after " + std::to_string(wait) + " ms");
        {
            Child child(variables);
            ASSERT_TRUE(child.waitFor("start"));
            QThread::msleep(static_cast<unsigned long>(wait));
            child.kill();
        }
        // The punches and their archive row are there together or not at all.
        const int count = stored(k);
        const int rows = archived(k);
        EXPECT_TRUE((count == 0 && rows == 0) || (count == punchCount && rows == 1))
            << count << " punches, " << rows << " archive rows";
        if (count == punchCount)
            ++complete;
        // The file is replaced only after the commit: on file means stored.
        if (QFile::exists(folder.file("txt/K" + QString::number(k)))) {
            EXPECT_EQ(count, punchCount);
        }
        EXPECT_EQ(dm.downloads().size(), complete);
        EXPECT_EQ(int(archive().size()), complete);
        EXPECT_EQ(integrity(), "ok");
    }
    std::cout << complete - 1 << " of " << kills
              << " killed imports had completed; a whole one took " << duration << " ms\n";
}

// Two sites download at the same moment into one server: different dumps are both stored with
// their own numbers and an unbroken archive; the same dump is stored once, the other site told.
TEST(ServerImportAtOnce, TwoSitesStoreTheirOwnDumpsAndTheSameDumpOnce) {
    QString error;
    const QString server = newServerTables(&error);
    ASSERT_FALSE(server.isEmpty()) << error.toStdString();
    const auto race = [&](const QByteArray& first, const QByteArray& second) {
        TempFolder a, b;
        for (auto [site, dump] : {std::pair{&a, first}, std::pair{&b, second}}) {
            QDir(site->path()).mkdir("txt");
            EXPECT_TRUE(writeFileBytes(site->file("dump"), dump));
        }
        Child one({QStringLiteral("%1=server").arg(childVariable),
                   "RONVALO_IMPORT_BASE=" + a.base(), "RONVALO_IMPORT_SERVER=" + server});
        Child two({QStringLiteral("%1=server").arg(childVariable),
                   "RONVALO_IMPORT_BASE=" + b.base(), "RONVALO_IMPORT_SERVER=" + server});
        EXPECT_TRUE(one.waitFor("ready") && two.waitFor("ready"));
        one.say("go");
        two.say("go");
        EXPECT_TRUE(one.waitFor("done") && two.waitFor("done"));
        EXPECT_TRUE(one.finish() && two.finish());
        return one.output().count("notice ") + two.output().count("notice ");
    };
    EXPECT_EQ(race(makeDump("A1", "24-03-05 08 16", manyPunches(3000)),
                   makeDump("B2", "24-03-05 08 17", manyPunches(3000))),
              0);
    EXPECT_EQ(race(makeDump("C3", "24-03-05 08 16", manyPunches(3000)),
                   makeDump("C3", "24-03-05 08 18", manyPunches(3000))),
              1);

    TDM3 dm;
    dm.setServer(server);
    dm.openTables();
    EXPECT_EQ(dm.punchCount(), 3 * 3000);
    EXPECT_EQ(dm.downloads().size(), 3);
    const auto check = checkArchive(dm);
    ASSERT_TRUE(check);
    EXPECT_TRUE(check->clean()) << archiveCheckSummary(*check).toStdString();
}
