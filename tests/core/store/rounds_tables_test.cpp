// Obchody.db over real files: its layout as the tool and the program make it, a bad file that
// leaves the three tables working, and the names and plans read back as they were saved.
#include "core/store/rounds_tables.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlQuery>
#include <gtest/gtest.h>

#include "core/common/exception.h"
#include "core/store/data_module.h"
#include "core/store/sqlite_connection.h"
#include "support/temp_folder.h"
#include "support/test_tables.h"

using namespace ronvalo;
using namespace ronvalo::test;

namespace {

// The layout operators' scripts read, written out here rather than taken from the code.
const QList<std::pair<QString, QStringList>> roundsLayout{
    {"Punkty", {"Nrwewpkt|INTEGER", "Nazwa|TEXT", "Zdarzenie|INTEGER"}},
    {"CzytnikiOpis", {"NrCzytnika|TEXT", "Opis|TEXT"}},
    {"Plany",
     {"IdPlanu|INTEGER", "Nazwa|TEXT", "NrCzytnika|TEXT", "Kolejnosc|INTEGER", "Dni|INTEGER",
      "PierwszyStart|TEXT", "OstatniStart|TEXT", "Co|INTEGER", "Tolerancja|INTEGER",
      "CzasObchodu|INTEGER", "Od|TEXT", "Do|TEXT"}},
    {"KrokiPlanu", {"IdPlanu|INTEGER", "Lp|INTEGER", "Nrwewpkt|INTEGER", "Opcjonalny|INTEGER"}},
    {"Archiwum",
     {"Nrodczytu|INTEGER", "NrCzytnika|TEXT", "Odebrano|TEXT", "ZegarCzytnika|TEXT", "Tresc|BLOB",
      "Poprzedni|TEXT", "Skrot|TEXT"}},
};

// Each table's fields as "name|type", and the primary key's fields.
QList<std::pair<QString, QStringList>> layoutOf(const QString& path, QStringList* keys = nullptr) {
    SqliteConnection file(path, "QSQLITE_OPEN_READONLY");
    QList<std::pair<QString, QStringList>> layout;
    for (const auto& [table, fields] : roundsLayout) {
        QSqlQuery query(file.database());
        query.exec("PRAGMA table_info(" + table + ")");
        QStringList found;
        while (query.next()) {
            found << query.value(1).toString() + '|' + query.value(2).toString();
            if (keys && query.value(5).toInt() > 0)
                *keys << table + '.' + query.value(1).toString();
        }
        layout.append({table, found});
    }
    return layout;
}

void addPunchTo(TDM3& dm, int checkpoint) {
    Punch punch;
    punch.Data = QDate(2024, 3, 1);
    punch.Czas = QTime(10, 0);
    punch.Nrwewpkt = checkpoint;
    punch.Nrczyt = "A1";
    punch.NrSczytania = 1;
    dm.insertPunch(punch);
}

struct RoundsStoreTest : ::testing::Test {
    TempFolder folder;
    TDM3 dm;
    QString db = folder.file("db/");

    void SetUp() override {
        QString error;
        ASSERT_TRUE(createEmptyDatabase(folder.path(), &error)) << error.toStdString();
        dm.setDatabaseFolder(db);
    }
    void addPunch(int checkpoint) { addPunchTo(dm, checkpoint); }
    void closeAll() {
        dm.tbCzytniki.Close();
        dm.tbOdbicia.Close();
        dm.tbNrOdc.Close();
    }
    QString errorOf(const std::function<void()>& action) {
        try {
            action();
        } catch (const EDatabaseError& error) {
            return error.message();
        }
        return "no error";
    }
};

// The rounds' tables read and written the same on the local files and on a server.
struct RoundsOnEitherEngineTest : ::testing::TestWithParam<Engine> {
    TestTables tables{GetParam()};
    TDM3 dm;

    void SetUp() override {
        ASSERT_TRUE(tables.ready());
        tables.point(dm);
    }
    void addPunch(int checkpoint) { addPunchTo(dm, checkpoint); }
};

INSTANTIATE_TEST_SUITE_P(, RoundsOnEitherEngineTest,
                         ::testing::Values(Engine::Files, Engine::Server), engineName);

} // namespace

TEST_F(RoundsStoreTest, NewdbAndTheProgramMakeTheSameLayout) {
    TempFolder made;
    QProcess tool;
    tool.start(QStringLiteral(RONVALO_BIN_DIR "/ronvalo-newdb"), {made.path()});
    ASSERT_TRUE(tool.waitForFinished(30000));
    ASSERT_EQ(tool.exitCode(), 0) << tool.readAllStandardError().toStdString();
    QStringList keys;
    EXPECT_EQ(layoutOf(made.file("db/Obchody.db"), &keys), roundsLayout);
    EXPECT_EQ(keys, QStringList({"Punkty.Nrwewpkt", "CzytnikiOpis.NrCzytnika", "Plany.IdPlanu",
                                 "KrokiPlanu.IdPlanu", "KrokiPlanu.Lp", "Archiwum.Nrodczytu"}));

    // An installation from before: the program makes the file and leaves the three alone.
    ASSERT_TRUE(QFile::remove(db + "Obchody.db"));
    const QStringList three{"Odbicia.db", "Czytniki.db", "NrOdc.DB"};
    QByteArray before;
    for (const QString& name : three)
        before += readFileBytes(db + name);
    dm.openTables();
    EXPECT_EQ(layoutOf(db + "Obchody.db"), roundsLayout);
    EXPECT_TRUE(loadStoredPlans(dm).isEmpty());
    closeAll();
    QByteArray after;
    for (const QString& name : three)
        after += readFileBytes(db + name);
    EXPECT_EQ(after, before);
    // A second run of the tool refuses the installation that has one.
    QProcess again;
    again.start(QStringLiteral(RONVALO_BIN_DIR "/ronvalo-newdb"), {made.path()});
    ASSERT_TRUE(again.waitForFinished(30000));
    EXPECT_EQ(again.exitCode(), 1);
}

TEST_F(RoundsStoreTest, BadRoundsFileNamesItselfAndTheThreeTablesWorkOn) {
    struct Case {
        const char* what;
        std::function<void(const QString&)> spoil;
        const char* reason;
    };
    const Case cases[] = {
        {"garbage",
         [](const QString& path) { ASSERT_TRUE(writeFileBytes(path, QByteArray(4096, 'x'))); },
         "plik jest uszkodzony"},
        {"another program's file",
         [](const QString& path) {
             ASSERT_TRUE(QFile::remove(path));
             SqliteConnection file(path);
             QSqlQuery(file.database()).exec("CREATE TABLE Inne (x INTEGER)");
         },
         "to nie jest plik tabel obchodów programu (tabela Punkty)"},
        {"a field missing",
         [](const QString& path) {
             SqliteConnection file(path);
             QSqlQuery(file.database()).exec("ALTER TABLE Plany DROP COLUMN Dni");
         },
         "to nie jest plik tabel obchodów programu (tabela Plany)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QString path = db + "Obchody.db";
        c.spoil(path);
        const QByteArray spoilt = readFileBytes(path);
        dm.openTables();
        ASSERT_TRUE(dm.connected());
        addPunch(5);
        dm.insertReader("A1");
        EXPECT_EQ(dm.punchCount(), 1);
        const QString expected = QString("Nie można otworzyć pliku %1: %2")
                                     .arg(QDir::toNativeSeparators(path), c.reason);
        EXPECT_TRUE(errorOf([&] { loadStoredPlans(dm); }).startsWith(expected))
            << errorOf([&] { loadStoredPlans(dm); }).toStdString();
        EXPECT_TRUE(errorOf([&] { saveCheckpoints(dm, {}); }).startsWith(expected));
        closeAll();
        EXPECT_EQ(readFileBytes(path), spoilt); // never replaced
        ASSERT_TRUE(QFile::remove(path));
        ASSERT_TRUE(QFile::remove(db + "Odbicia.db") && QFile::remove(db + "Czytniki.db") &&
                    QFile::remove(db + "NrOdc.DB"));
        QString error;
        ASSERT_TRUE(createEmptyDatabase(folder.path(), &error)) << error.toStdString();
    }
}

TEST_P(RoundsOnEitherEngineTest, NamesListEveryPunchedCheckpointAndReaderAndSaveWhatTheySay) {
    dm.openTables();
    for (int checkpoint : {5, 171, 5, 174})
        addPunch(checkpoint);
    dm.insertReader("A1");
    dm.insertReader("B2");
    saveCheckpoints(dm, {{12, "Brama główna", false}, {174, "", false}});
    EXPECT_EQ(
        loadCheckpoints(dm),
        QList<Checkpoint>(
            {{5, "", false}, {12, "Brama główna", false}, {171, "", true}, {174, "", false}}));
    // A row at its defaults is not kept: a number added by mistake goes again.
    saveCheckpoints(dm, {{5, "Magazyn", false}, {12, "", false}, {171, "", true}, {174, "", true}});
    EXPECT_EQ(loadCheckpoints(dm),
              QList<Checkpoint>({{5, "Magazyn", false}, {171, "", true}, {174, "", true}}));

    saveInstruments(dm, {{"B2", "Wartownik Nowak"}, {"C3", "Brama"}});
    EXPECT_EQ(loadInstruments(dm),
              QList<InstrumentName>({{"A1", ""}, {"B2", "Wartownik Nowak"}, {"C3", "Brama"}}));
}

TEST_P(RoundsOnEitherEngineTest, PlanPeriodsRoundTripWithStepsAndNewIds) {
    dm.openTables();
    Plan night;
    night.name = "Noc";
    night.instrument = "A1";
    night.order = StepOrder::Any;
    night.weekdays = 0b0011111;
    night.firstStart = QTime(22, 0);
    night.lastStart = QTime(6, 0);
    night.interval = 120;
    night.tolerance = 10;
    night.duration = 45;
    night.validFrom = QDate(2024, 1, 1);
    night.validTo = QDate(2024, 2, 29);
    night.steps = {{12, false}, {5, true}};
    Plan later = night;
    later.validFrom = QDate(2024, 3, 1);
    later.validTo = QDate();
    later.steps = {{7, false}};
    replacePlanPeriods(dm, {}, {night, later});
    QList<Plan> stored = loadStoredPlans(dm);
    ASSERT_EQ(stored.size(), 2);
    EXPECT_EQ(stored[0].id, 1);
    EXPECT_EQ(stored[1].id, 2);
    night.id = 1;
    later.id = 2;
    for (auto [got, want] : {std::pair{stored[0], night}, std::pair{stored[1], later}}) {
        EXPECT_EQ(got.name, want.name);
        EXPECT_EQ(got.order, want.order);
        EXPECT_EQ(got.weekdays, want.weekdays);
        EXPECT_EQ(got.firstStart, want.firstStart);
        EXPECT_EQ(got.lastStart, want.lastStart);
        EXPECT_EQ(std::tie(got.interval, got.tolerance, got.duration),
                  std::tie(want.interval, want.tolerance, want.duration));
        EXPECT_EQ(got.validFrom, want.validFrom);
        EXPECT_EQ(got.validTo, want.validTo);
        EXPECT_EQ(got.steps, want.steps);
    }
    // The first period replaced by a new one: the kept id stays, the new one follows every id.
    Plan replaced = night;
    replaced.id = 0;
    replacePlanPeriods(dm, {stored[1]}, {replaced});
    stored = loadStoredPlans(dm);
    ASSERT_EQ(stored.size(), 2);
    EXPECT_EQ(stored[0].id, 1);
    EXPECT_EQ(stored[1].id, 3);
    EXPECT_EQ(stored[1].steps, night.steps);
}
