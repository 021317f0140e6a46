// Backup with the tables on a server: a snapshot written as the local files, readable as db/ is,
// and a restore refused with a message.
#include "desktop/app/backup.h"

#include <QDir>
#include <QSqlQuery>
#include <QVariant>
#include <gtest/gtest.h>

#include "core/common/clock.h"
#include "core/common/ole_date.h"
#include "core/common/registry.h"
#include "core/common/service_log.h"
#include "core/store/archive.h"
#include "core/store/data_module.h"
#include "support/temp_folder.h"
#include "support/test_dialogs.h"
#include "support/test_tables.h"

using namespace ronvalo;
using namespace ronvalo::test;

namespace {

struct ServerBackupTest : ::testing::Test {
    TestTables tables{Engine::Server};
    TempFolder settings;
    ScopedEnv hive{"RONVALO_REGISTRY", settings.file("hive.reg").toUtf8()};
    FakeClock clock{QDateTime(QDate(2024, 3, 5), QTime(8, 15))};
    TestDialogs dialogs;
    TDM3 dm;
    ServiceLog log{tables.base()};

    void SetUp() override {
        ASSERT_TRUE(tables.ready());
        tables.point(dm);
        dm.openTables();
    }
    void store(int checkpoint, const QByteArray& transmission) {
        Transaction transaction(dm);
        const qint32 download = dm.appendDownload(Clock::now());
        Punch punch;
        punch.Data = QDate(2024, 3, 1);
        punch.Czas = QTime(10, checkpoint);
        punch.Nrwewpkt = checkpoint;
        punch.Nrczyt = "A1";
        punch.NrSczytania = download;
        dm.insertPunch(punch);
        ArchiveRow row;
        row.download = download;
        row.instrument = "A1";
        row.received = Clock::now();
        row.transmission = transmission;
        appendArchiveRow(dm, row);
        transaction.commit();
    }
    QString logText() const {
        return QString::fromLatin1(readFileBytes(QString::fromStdString(log.fileName())));
    }
};

} // namespace

TEST_F(ServerBackupTest, WritesTheServersTablesAsTheLocalFiles) {
    store(7, QByteArray("*-*-*-*-*-*-*-\r\n\0\xff", 18));
    const QString backup = tables.base() + "BACKUP/";
    ASSERT_TRUE(QDir().mkpath(backup));
    ASSERT_TRUE(writeFileBytes(backup + "Odbicia.db", "an older copy"));

    MakeBackup(tables.base(), dm, log);
    store(8, "later");

    EXPECT_EQ(QDir(backup).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList({"Czytniki.db", "NrOdc.DB", "Obchody.db", "Odbicia.db"}));
    Registry key;
    ASSERT_TRUE(key.OpenKey(settingsKey, false));
    EXPECT_EQ(key.ReadDateTimeBinary("BackupDate"), toOle(Clock::now()));
    EXPECT_TRUE(logText().endsWith("Wykonanie kopii bezpieczenstwa\r\n"));

    // The copy opens as any installation's tables do, with the rows as numbered on the server.
    TDM3 copy;
    copy.setDatabaseFolder(backup);
    copy.openTables();
    std::vector<Punch> rows;
    copy.forEachPunch([&](const Punch& p) {
        rows.push_back(p);
        return true;
    });
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].Nrwewpkt, 7);
    EXPECT_EQ(copy.downloads(), QList<qint32>({rows[0].NrSczytania}));
    auto archived = readArchive(copy);
    ArchiveRow row;
    ASSERT_TRUE(archived(row));
    EXPECT_EQ(row.transmission, QByteArray("*-*-*-*-*-*-*-\r\n\0\xff", 18));
    EXPECT_EQ(row.digest, archiveDigest(row));
    EXPECT_FALSE(archived(row));
}

TEST_F(ServerBackupTest, RestoreIsRefusedWithAMessageAndChangesNothing) {
    store(7, "dump");
    dialogs.answers = {true};
    mOdtworzZBackupuClick(tables.base(), dm, log);
    ASSERT_EQ(dialogs.texts(TestDialogs::Shown::Notice).size(), 1);
    EXPECT_TRUE(dialogs.texts(TestDialogs::Shown::Notice)[0].startsWith("Tabele są na serwerze "));
    EXPECT_TRUE(logText().endsWith("Proba odtworzenia danych z kopii - tabele na serwerze\r\n"));
    EXPECT_EQ(dm.punchCount(), 1);
}
